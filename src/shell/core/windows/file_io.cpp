// The file layer's calls that differ on Windows: links there are reparse points (symbolic links
// and junctions), a user is a SID rather than a number, and a file replaces another by a move
// that says so.
#include "shell/core/file_io.h"

#include "shell/core/failure.h"

#include <QDir>
#include <QFileInfo>
#include <memory>
#include <string>

#include <windows.h>
// The security helpers need the declarations above.
#include <aclapi.h>
#include <sddl.h>

namespace {

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(QDir::fromNativeSeparators(path)).toStdWString();
}

QString systemMessage(DWORD code)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString message = length != 0 ? QString::fromWCharArray(text, int(length)).trimmed()
                                  : QStringLiteral("error %1").arg(code);
    LocalFree(text);
    // The system's sentences end with a full stop; ours add their own.
    while (message.endsWith(QLatin1Char('.'))) {
        message.chop(1);
    }
    return message;
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

Handle openHandle(HANDLE handle)
{
    return Handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// The user this program runs as, and the owner it gives new files (for an administrator, that
// may be the Administrators group): both count as the user's own.
bool isOurs(PSID owner)
{
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        return false;
    }
    const Handle token(raw);
    for (TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
        DWORD size = 0;
        GetTokenInformation(raw, kind, nullptr, 0, &size);
        auto buffer = std::make_unique<unsigned char[]>(size);
        if (!GetTokenInformation(raw, kind, buffer.get(), size, &size)) {
            continue;
        }
        const PSID ours = kind == TokenUser ? reinterpret_cast<TOKEN_USER *>(buffer.get())->User.Sid
                                            : reinterpret_cast<TOKEN_OWNER *>(buffer.get())->Owner;
        if (EqualSid(owner, ours)) {
            return true;
        }
    }
    return false;
}

// Whether what the handle names belongs to the user.
bool ownedByUs(HANDLE handle)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const bool ours = isOurs(owner);
    LocalFree(descriptor);
    return ours;
}

// The name itself, never what a reparse point there leads to.
Handle openNameItself(const std::wstring &path, DWORD access)
{
    return openHandle(CreateFileW(
        path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

}  // namespace

std::optional<QString> linkOfAnotherUser(const QString &path)
{
    // A link or junction that another user made at the name; the user's own are followed.
    QString at = QDir::fromNativeSeparators(path);
    for (int hop = 0; hop < 40; ++hop) {
        const DWORD attributes = GetFileAttributesW(nativePath(at).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES ||
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            break;
        }
        const Handle link = openNameItself(nativePath(at), READ_CONTROL);
        if (!link || !ownedByUs(link.get())) {
            return at;
        }
        const QString target = QFileInfo(at).symLinkTarget();
        if (target.isEmpty()) {
            break;
        }
        at = target;
    }
    return std::nullopt;
}

void makePrivateFolder(const QString &path)
{
    const QString folder = QDir::fromNativeSeparators(path);
    const QString shown = QDir::toNativeSeparators(folder);
    const auto cannotMake = [&](const QString &why) {
        throw Failure(QStringLiteral("The folder %1 could not be made: %2.").arg(shown, why));
    };
    const auto notPrivate = [&](const QString &why) {
        throw Failure(
            QStringLiteral("The folder %1 is not yours alone: %2. Nothing is written into it.")
                .arg(shown, why));
    };
    if (!QDir().mkpath(QFileInfo(folder).absolutePath())) {
        cannotMake(QStringLiteral("the folder that holds it could not be made"));
    }
    // Made new with an access list of its own that lets in the user alone (and the system,
    // which backs files up and scans them), whatever the folder above lets others do.
    const std::wstring name = nativePath(folder);
    PSECURITY_DESCRIPTOR userOnly = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:P(A;OICI;FA;;;OW)(A;OICI;FA;;;SY)", SDDL_REVISION_1, &userOnly, nullptr)) {
        cannotMake(systemMessage(GetLastError()));
    }
    SECURITY_ATTRIBUTES security{sizeof security, userOnly, FALSE};
    const bool made = CreateDirectoryW(name.c_str(), &security) != 0;
    const DWORD madeError = GetLastError();
    LocalFree(userOnly);
    if (!made && madeError != ERROR_ALREADY_EXISTS) {
        cannotMake(systemMessage(madeError));
    }
    // What has the name now, never followed: a junction there could lead anywhere.
    const Handle there = openNameItself(name, READ_CONTROL | FILE_READ_ATTRIBUTES);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!there || !GetFileInformationByHandle(there.get(), &info)) {
        cannotMake(systemMessage(GetLastError()));
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        notPrivate(QStringLiteral("it is a link"));
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        notPrivate(QStringLiteral("it is no folder"));
    } else if (!ownedByUs(there.get())) {
        notPrivate(QStringLiteral("it belongs to another user"));
    }
}

bool replaceSmallFile(const QString &path, const QByteArray &bytes)
{
    const std::wstring target = nativePath(path);
    const std::wstring next = target + L".new";
    // Made anew, never opened through whatever has that name: a run killed in the middle may
    // have left one, and a link there would have the text written wherever it points.
    DeleteFileW(next.c_str());
    {
        const Handle file = openHandle(CreateFileW(next.c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file ||
            !WriteFile(file.get(), bytes.constData(), DWORD(bytes.size()), &written, nullptr) ||
            written != DWORD(bytes.size())) {
            DeleteFileW(next.c_str());
            return false;
        }
    }
    // In one step, replacing a link at the target rather than what it leads to.
    if (!MoveFileExW(next.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(next.c_str());
        return false;
    }
    return true;
}
