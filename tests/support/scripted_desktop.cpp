#include "support/scripted_desktop.h"

#include "shell/core/failure.h"

namespace {

void failIf(const ScriptedDesktop &desktop, const QString &kind)
{
    if (desktop.failing.contains(kind)) {
        throw Failure(QStringLiteral("The desktop failed"));
    }
}

}  // namespace

QList<ScriptedDesktop::Call> ScriptedDesktop::messages() const
{
    QList<Call> shown;
    for (const Call &c : calls) {
        if (c.kind == QLatin1String("message")) {
            shown.append(c);
        }
    }
    return shown;
}

QStringList ScriptedDesktop::messageTexts() const
{
    QStringList texts;
    for (const Call &c : messages()) {
        texts.append(c.text);
    }
    return texts;
}

MessageAnswer ScriptedDesktop::showMessage(const QString &text, const QString &title,
                                           MessageButtons buttons, MessageIcon icon)
{
    calls.append({QStringLiteral("message"), title, text, buttons, icon});
    if (title != QLatin1String("Application Error")) {
        failIf(*this, calls.last().kind);
    }
    if (onMessage) {
        onMessage(calls.last());
    }
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    if (answers.empty()) {
        return MessageAnswer::Yes;
    }
    const MessageAnswer a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<QString> ScriptedDesktop::showInput(const QString &text, const QString &title,
                                                  const QString &defaultText)
{
    calls.append({QStringLiteral("input"), title, text + QStringLiteral("|") + defaultText});
    failIf(*this, calls.last().kind);
    if (inputs.empty()) {
        return std::nullopt;
    }
    const bool cancelled = !inputs.front().has_value();
    const QString typed = cancelled ? QString() : *inputs.front();
    inputs.pop_front();
    if (cancelled) {
        return std::nullopt;
    }
    return typed;
}

void ScriptedDesktop::showOpen(FileDialogState &dialog)
{
    calls.append({QStringLiteral("open"), dialog.title, dialog.fileName});
    failIf(*this, calls.last().kind);
    dialogsShown.append(dialog);
    dialog.fileName = fileChoices.empty() ? QString() : fileChoices.front();
    if (!fileChoices.empty()) {
        fileChoices.pop_front();
    }
}

void ScriptedDesktop::showSave(FileDialogState &dialog)
{
    calls.append({QStringLiteral("save"), dialog.title, dialog.fileName});
    failIf(*this, calls.last().kind);
    dialogsShown.append(dialog);
    dialog.fileName = fileChoices.empty() ? QString() : fileChoices.front();
    if (!fileChoices.empty()) {
        fileChoices.pop_front();
    }
}

void ScriptedDesktop::clearClipboard()
{
    calls.append({QStringLiteral("clipboard"), {}, QStringLiteral("clear")});
    failIf(*this, calls.last().kind);
    ++clipboardClears;
    clipboard = QString();
}

void ScriptedDesktop::setClipboardText(const QString &text)
{
    calls.append({QStringLiteral("clipboard"), {}, text});
    clipboard = text;
}

void ScriptedDesktop::openUrl(const QString &address)
{
    calls.append({QStringLiteral("url"), {}, address});
    urls.append(address);
}

bool ScriptedDesktop::hasSpreadsheetProgram()
{
    calls.append({QStringLiteral("spreadsheet probe"), {}, {}});
    return bool(spreadsheets);
}

std::unique_ptr<Spreadsheet> ScriptedDesktop::createSpreadsheet()
{
    calls.append({QStringLiteral("spreadsheet"), {}, {}});
    if (!spreadsheets) {
        throw Failure(QStringLiteral("ActiveX component can't create object"));
    }
    return spreadsheets();
}

void ScriptedDesktop::endProgram()
{
    calls.append({QStringLiteral("end"), {}, {}});
    ++endings;
    if (onEnd) {
        onEnd();
    }
}
