// The file layer's calls into Windows. Names are opened relative to a folder held open, through
// the native calls that take a folder handle, and every handle is held without letting others
// delete: while the program holds a file or folder, its name can be neither removed, nor renamed,
// nor replaced, so a name looked at and a name used are the same thing.
#include "shell/core/file_system.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <deque>
#include <optional>
#include <vector>

#include <windows.h>
// The native calls and the access lists need the declarations above.
#include <aclapi.h>
#include <io.h>
#include <sddl.h>
#include <winternl.h>
#include <cerrno>
#include <cstring>

namespace {

// Windows' own limit on reparse points followed in one path.
constexpr int kMaxLinks = 63;

constexpr ULONG kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
// A folder on the way is held only to find names in and to read its owner and access list: no
// right to list it is needed.
constexpr ACCESS_MASK kStepAccess = FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL;
// A folder of the program's own is listed too.
constexpr ACCESS_MASK kOwnFolderAccess = kStepAccess | FILE_LIST_DIRECTORY;

HANDLE handleOf(const FsHandle &handle)
{
    return reinterpret_cast<HANDLE>(handle.native());
}

FsHandle held(HANDLE handle)
{
    return FsHandle(reinterpret_cast<std::intptr_t>(handle));
}

QString systemText(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString result = n > 0 ? QString::fromWCharArray(text, int(n)).trimmed()
                           : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    // The system's texts end in a full stop; the messages around them go on after them.
    while (result.endsWith(QLatin1Char('.'))) {
        result.chop(1);
    }
    return result;
}

FsError systemError(const QString &at, DWORD error)
{
    FsError::Kind kind = FsError::System;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        kind = FsError::Missing;
    } else if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
        kind = FsError::Exists;
    }
    return FsError{kind, QDir::fromNativeSeparators(at), systemText(error)};
}

FsError statusError(const QString &at, NTSTATUS status)
{
    return systemError(at, RtlNtStatusToDosError(status));
}

// A name relative to an open folder, or an absolute native path when `folder` is null.
NTSTATUS openAt(HANDLE folder, const QString &name, ACCESS_MASK access, ULONG disposition,
                ULONG options, HANDLE &opened, PSECURITY_DESCRIPTOR security = nullptr)
{
    std::wstring wide = name.toStdWString();
    UNICODE_STRING unicode;
    unicode.Buffer = wide.data();
    unicode.Length = USHORT(wide.size() * sizeof(wchar_t));
    unicode.MaximumLength = unicode.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &unicode, OBJ_CASE_INSENSITIVE, folder, security);
    IO_STATUS_BLOCK io{};
    opened = INVALID_HANDLE_VALUE;
    const NTSTATUS status = NtCreateFile(&opened, access | SYNCHRONIZE, &attributes, &io, nullptr,
                                         FILE_ATTRIBUTE_NORMAL, kShare, disposition,
                                         options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (status < 0) {
        opened = INVALID_HANDLE_VALUE;
    }
    return status;
}

struct Kind {
    bool folder = false;
    bool link = false;
};

Kind kindOf(HANDLE handle)
{
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) {
        return {};
    }
    // Symbolic links and junctions stand for another name; other reparse points (files kept in
    // the cloud, say) are the file itself.
    const bool link = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                      IsReparseTagNameSurrogate(tag.ReparseTag);
    return {(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, link};
}

// The user this program runs as, and the owner its new files get.
struct Account {
    std::vector<BYTE> user;
    std::vector<BYTE> owner;
};

std::vector<BYTE> tokenSid(HANDLE token, TOKEN_INFORMATION_CLASS what)
{
    DWORD size = 0;
    GetTokenInformation(token, what, nullptr, 0, &size);
    std::vector<BYTE> info(size);
    if (size == 0 || !GetTokenInformation(token, what, info.data(), size, &size)) {
        return {};
    }
    PSID sid = what == TokenUser ? reinterpret_cast<TOKEN_USER *>(info.data())->User.Sid
                                 : reinterpret_cast<TOKEN_OWNER *>(info.data())->Owner;
    const BYTE *bytes = static_cast<const BYTE *>(sid);
    return std::vector<BYTE>(bytes, bytes + GetLengthSid(sid));
}

const Account &account()
{
    static const Account me = [] {
        Account a;
        HANDLE token = nullptr;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
            a.user = tokenSid(token, TokenUser);
            a.owner = tokenSid(token, TokenOwner);
            CloseHandle(token);
        }
        return a;
    }();
    return me;
}

bool sameSid(PSID sid, const std::vector<BYTE> &other)
{
    return !other.empty() && EqualSid(sid, const_cast<BYTE *>(other.data()));
}

bool isMe(PSID sid)
{
    return sameSid(sid, account().user) || sameSid(sid, account().owner);
}

// The system's own accounts, which stand where root does on other systems.
bool isSystem(PSID sid)
{
    if (IsWellKnownSid(sid, WinLocalSystemSid) ||
        IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
        return true;
    }
    // TrustedInstaller, which owns the system's own folders.
    static const std::vector<BYTE> installer = [] {
        PSID sid = nullptr;
        std::vector<BYTE> bytes;
        if (ConvertStringSidToSidW(
                L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", &sid)) {
            const BYTE *b = static_cast<const BYTE *>(sid);
            bytes.assign(b, b + GetLengthSid(sid));
            LocalFree(sid);
        }
        return bytes;
    }();
    return sameSid(sid, installer);
}

bool trusted(PSID sid)
{
    return isMe(sid) || isSystem(sid);
}

QString accountName(PSID sid)
{
    wchar_t name[256];
    wchar_t domain[256];
    DWORD nameSize = 256;
    DWORD domainSize = 256;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) {
        return QString::fromWCharArray(name);
    }
    wchar_t *text = nullptr;
    QString shown;
    if (ConvertSidToStringSidW(sid, &text)) {
        shown = QString::fromWCharArray(text);
        LocalFree(text);
    }
    return shown;
}

// The owner and the access list of an open file or folder.
class Security {
public:
    explicit Security(HANDLE handle)
    {
        error_ = GetSecurityInfo(handle, SE_FILE_OBJECT,
                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner_,
                                 nullptr, &dacl_, nullptr, &descriptor_);
    }
    ~Security() { LocalFree(descriptor_); }
    Security(const Security &) = delete;
    Security &operator=(const Security &) = delete;

    DWORD error() const { return error_; }
    PSID owner() const { return owner_; }

    // The first account other than the user and the system that the list lets do any of `what`
    // to the folder itself; a missing list lets everyone do everything.
    std::optional<QString> othersMay(ACCESS_MASK what) const
    {
        if (dacl_ == nullptr) {
            return QStringLiteral("everyone");
        }
        for (DWORD i = 0; i < dacl_->AceCount; ++i) {
            void *entry = nullptr;
            if (!GetAce(dacl_, i, &entry)) {
                continue;
            }
            const auto *header = static_cast<ACE_HEADER *>(entry);
            if (header->AceType != ACCESS_ALLOWED_ACE_TYPE ||
                (header->AceFlags & INHERIT_ONLY_ACE) != 0) {
                continue;
            }
            const auto *allowed = static_cast<ACCESS_ALLOWED_ACE *>(entry);
            PSID sid = const_cast<DWORD *>(&allowed->SidStart);
            if ((allowed->Mask & what) != 0 && !trusted(sid) &&
                !IsWellKnownSid(sid, WinCreatorOwnerRightsSid)) {
                return accountName(sid);
            }
        }
        return std::nullopt;
    }

private:
    PSID owner_ = nullptr;
    PACL dacl_ = nullptr;
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    DWORD error_ = ERROR_SUCCESS;
};

// What lets someone take a name away from under the program: removing or renaming an entry, or
// changing who may.
constexpr ACCESS_MASK kChangesNames =
    DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;
// What lets someone put files into a folder or change the ones there.
constexpr ACCESS_MASK kWrites = kChangesNames | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY |
                                FILE_WRITE_DATA | FILE_APPEND_DATA | GENERIC_WRITE;
// What lets someone read the folder's files or learn their names.
constexpr ACCESS_MASK kReaches = kWrites | FILE_LIST_DIRECTORY | FILE_READ_DATA | FILE_TRAVERSE |
                                 FILE_EXECUTE | GENERIC_READ | GENERIC_EXECUTE;

// A folder of the program's own is made with an access list that lets in the user and the system
// alone, whatever the folder above would hand down.
struct PrivateSecurity {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PrivateSecurity()
    {
        wchar_t *user = nullptr;
        if (account().user.empty() ||
            !ConvertSidToStringSidW(const_cast<BYTE *>(account().user.data()), &user)) {
            return;
        }
        const std::wstring text = L"D:P(A;OICI;FA;;;" + std::wstring(user) + L")(A;OICI;FA;;;SY)";
        LocalFree(user);
        ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                             &descriptor, nullptr);
    }
    ~PrivateSecurity() { LocalFree(descriptor); }
    PrivateSecurity(const PrivateSecurity &) = delete;
    PrivateSecurity &operator=(const PrivateSecurity &) = delete;
};

QString joined(const QString &folder, const QString &name)
{
    if (folder.isEmpty()) {
        return name;
    }
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// A path as the system reads it: made absolute against the working folder, "." and ".." taken
// away by name as Windows does, the two separators alike. The root ("C:/", "//server/share/")
// in `root`, the names below it in `parts`.
bool splitPath(const QString &path, QString &root, std::deque<QString> &parts)
{
    std::wstring given = QDir::toNativeSeparators(path).toStdWString();
    const DWORD size = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return false;
    }
    std::wstring full(size, L'\0');
    const DWORD n = GetFullPathNameW(given.c_str(), size, full.data(), nullptr);
    full.resize(n);
    QString text = QDir::fromNativeSeparators(QString::fromStdWString(full));
    if (text.startsWith(QLatin1String("//?/UNC/"), Qt::CaseInsensitive)) {
        text = QLatin1String("//") + text.mid(8);
    } else if (text.startsWith(QLatin1String("//?/")) || text.startsWith(QLatin1String("//./"))) {
        text = text.mid(4);
    }
    QStringList names = text.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (text.startsWith(QLatin1String("//"))) {
        if (names.size() < 2) {
            return false;
        }
        root = QLatin1String("//") + names.takeFirst() + QLatin1Char('/') + names.takeFirst() +
               QLatin1Char('/');
    } else {
        if (names.isEmpty() || !names.front().endsWith(QLatin1Char(':'))) {
            return false;
        }
        root = names.takeFirst() + QLatin1Char('/');
    }
    parts.assign(names.begin(), names.end());
    return true;
}

// The native name of a root: \??\C:\ or \??\UNC\server\share\.
QString nativeRoot(const QString &root)
{
    if (root.startsWith(QLatin1String("//"))) {
        return QStringLiteral("\\??\\UNC\\") + QDir::toNativeSeparators(root.mid(2));
    }
    return QStringLiteral("\\??\\") + QDir::toNativeSeparators(root);
}

// The path of an open file or folder, as the user would write it.
QString finalPathOf(HANDLE handle)
{
    const DWORD size = GetFinalPathNameByHandleW(handle, nullptr, 0, VOLUME_NAME_DOS);
    if (size == 0) {
        return QString();
    }
    std::wstring path(size, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(handle, path.data(), size, VOLUME_NAME_DOS);
    if (n == 0 || n >= size) {
        return QString();
    }
    path.resize(n);
    QString text = QString::fromStdWString(path);
    if (text.startsWith(QLatin1String("\\\\?\\UNC\\"), Qt::CaseInsensitive)) {
        return QLatin1String("\\\\") + text.mid(8);
    }
    if (text.startsWith(QLatin1String("\\\\?\\"))) {
        return text.mid(4);
    }
    return text;
}

// Walks from a root, one name at a time, each folder opened relative to the one before. A link
// is followed only when trusted: it is held open, so it cannot be swapped, while the system
// follows it; the walk then goes on from where it led, checking every folder there again.
class Walk {
public:
    explicit Walk(bool strict) : strict_(strict) {}

    FsError begin(const QString &path)
    {
        QString root;
        std::deque<QString> parts;
        if (!splitPath(path, root, parts)) {
            return systemError(path, ERROR_BAD_PATHNAME);
        }
        rest_ = std::move(parts);
        return restart(root);
    }

    // Begins in an open folder; an absolute name begins at its root.
    FsError beginIn(const FsHandle &folder, const QString &shown, const QString &name)
    {
        const QString path = QDir::fromNativeSeparators(name);
        if (!QDir::isRelativePath(path) || path.startsWith(QLatin1Char('/'))) {
            return begin(name);
        }
        for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            if (part != QLatin1String(".")) {
                rest_.push_back(part);
            }
        }
        HANDLE copy = INVALID_HANDLE_VALUE;
        if (!DuplicateHandle(GetCurrentProcess(), handleOf(folder), GetCurrentProcess(), &copy, 0,
                             FALSE, DUPLICATE_SAME_ACCESS)) {
            return systemError(shown, GetLastError());
        }
        at_ = held(copy);
        shown_ = shown;
        return {};
    }

    FsError toLastName()
    {
        while (rest_.size() > 1) {
            if (FsError e = step()) {
                return e;
            }
        }
        return {};
    }

    // The last name: a trusted link there is followed, until a name that is no link is reached.
    FsError resolveLastName()
    {
        for (;;) {
            if (FsError e = toLastName()) {
                return e;
            }
            if (rest_.empty()) {
                return FsError{FsError::System, shown_,
                               QString::fromLocal8Bit(std::strerror(EISDIR))};
            }
            HANDLE entry = INVALID_HANDLE_VALUE;
            if (openAt(handleOf(at_), rest_.front(), FILE_READ_ATTRIBUTES | READ_CONTROL, FILE_OPEN,
                       FILE_OPEN_REPARSE_POINT, entry) < 0) {
                return {};  // missing: the name is found
            }
            FsHandle link = held(entry);
            if (!kindOf(entry).link) {
                return {};
            }
            const QString name = rest_.front();
            rest_.pop_front();
            if (FsError e = follow(name, link)) {
                return e;
            }
        }
    }

    FsHandle &folder() { return at_; }
    const QString &shown() const { return shown_; }
    QString lastName() const { return rest_.empty() ? QString() : rest_.front(); }
    std::deque<QString> &rest() { return rest_; }

    // The folder reached so far, checked as a folder above one of the program's own.
    FsError checkHere() const
    {
        if (!strict_) {
            return {};
        }
        const Security security(handleOf(at_));
        if (security.error() != ERROR_SUCCESS) {
            return systemError(shown_, security.error());
        }
        if (!trusted(security.owner())) {
            return FsError{
                FsError::NotYoursAlone, shown_,
                QStringLiteral("%1 belongs to another user").arg(QDir::toNativeSeparators(shown_))};
        }
        if (const std::optional<QString> who = security.othersMay(kChangesNames)) {
            return FsError{FsError::NotYoursAlone, shown_,
                           QStringLiteral("%1 may remove or rename what is in %2")
                               .arg(*who, QDir::toNativeSeparators(shown_))};
        }
        return {};
    }

    // One folder further, through a trusted link when the name is one.
    FsError step()
    {
        const QString name = rest_.front();
        rest_.pop_front();
        HANDLE next = INVALID_HANDLE_VALUE;
        const NTSTATUS status =
            openAt(handleOf(at_), name, kStepAccess, FILE_OPEN, FILE_OPEN_REPARSE_POINT, next);
        if (status < 0) {
            return statusError(joined(shown_, name), status);
        }
        FsHandle opened = held(next);
        const Kind kind = kindOf(next);
        if (kind.link) {
            return follow(name, opened);
        }
        if (!kind.folder) {
            return systemError(joined(shown_, name), ERROR_DIRECTORY);
        }
        at_ = std::move(opened);
        shown_ = joined(shown_, name);
        return checkHere();
    }

private:
    FsError restart(const QString &root)
    {
        HANDLE opened = INVALID_HANDLE_VALUE;
        const NTSTATUS status =
            openAt(nullptr, nativeRoot(root), kStepAccess, FILE_OPEN, FILE_DIRECTORY_FILE, opened);
        shown_ = root;
        if (status < 0) {
            return statusError(root, status);
        }
        at_ = held(opened);
        return checkHere();
    }

    // `link`, held open, is the link `name` in the folder reached.
    FsError follow(const QString &name, const FsHandle &link)
    {
        const QString where = joined(shown_, name);
        const Security security(handleOf(link));
        if (security.error() != ERROR_SUCCESS) {
            return systemError(where, security.error());
        }
        if (!trusted(security.owner())) {
            return FsError{FsError::OtherUsersLink, where, QString()};
        }
        if (++links_ > kMaxLinks) {
            return systemError(where, ERROR_CANT_RESOLVE_FILENAME);
        }
        HANDLE target = INVALID_HANDLE_VALUE;
        const NTSTATUS status =
            openAt(handleOf(at_), name, FILE_READ_ATTRIBUTES, FILE_OPEN, 0, target);
        if (status < 0) {
            // A link that leads nowhere yet: where a file would be made through it is not known
            // without reading it, so nothing is made.
            return statusError(where, status);
        }
        const FsHandle reached = held(target);
        QString root;
        std::deque<QString> parts;
        if (!splitPath(finalPathOf(target), root, parts)) {
            return systemError(where, ERROR_CANT_RESOLVE_FILENAME);
        }
        rest_.insert(rest_.begin(), parts.begin(), parts.end());
        return restart(root);
    }

    bool strict_;
    FsHandle at_;
    QString shown_;
    std::deque<QString> rest_;
    int links_ = 0;
};

// A file's identity: its volume and its number there.
bool identityOf(HANDLE handle, std::uint64_t &volume, std::uint64_t &index)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) {
        return false;
    }
    volume = info.dwVolumeSerialNumber;
    index = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

}  // namespace

void FsHandle::reset()
{
    if (native_ != kNone) {
        CloseHandle(reinterpret_cast<HANDLE>(native_));
        native_ = kNone;
    }
}

FsError fsPlaceOf(const QString &path, FsPlace &place)
{
    Walk walk(false);
    if (FsError e = walk.begin(path)) {
        return e;
    }
    if (FsError e = walk.resolveLastName()) {
        return e;
    }
    place.folder = std::move(walk.folder());
    place.folderPath = walk.shown();
    place.name = walk.lastName();
    return {};
}

FsError fsOpenOwnFolder(const QString &path, FolderCheck check, bool create, FsHandle &folder)
{
    Walk walk(true);
    if (FsError e = walk.begin(path)) {
        return e;
    }
    const PrivateSecurity made;
    for (;;) {
        if (walk.rest().empty()) {
            return FsError{FsError::NotYoursAlone, walk.shown(),
                           QStringLiteral("it is no folder of its own")};
        }
        const QString name = walk.rest().front();
        const bool last = walk.rest().size() == 1;
        if (create) {
            HANDLE opened = INVALID_HANDLE_VALUE;
            const NTSTATUS status =
                openAt(handleOf(walk.folder()), name, FILE_READ_ATTRIBUTES, FILE_CREATE,
                       FILE_DIRECTORY_FILE, opened, made.descriptor);
            if (status >= 0) {
                CloseHandle(opened);
            } else if (RtlNtStatusToDosError(status) != ERROR_ALREADY_EXISTS &&
                       RtlNtStatusToDosError(status) != ERROR_FILE_EXISTS) {
                return statusError(joined(walk.shown(), name), status);
            }
        }
        if (!last) {
            if (FsError e = walk.step()) {
                return e;
            }
            continue;
        }
        const QString shown = joined(walk.shown(), name);
        const auto refuse = [&](const QString &why) {
            return FsError{FsError::NotYoursAlone, shown, why};
        };
        HANDLE handle = INVALID_HANDLE_VALUE;
        const NTSTATUS status = openAt(handleOf(walk.folder()), name, kOwnFolderAccess, FILE_OPEN,
                                       FILE_OPEN_REPARSE_POINT, handle);
        if (status < 0) {
            return statusError(shown, status);
        }
        FsHandle opened = held(handle);
        const Kind kind = kindOf(handle);
        if (kind.link) {
            return refuse(QStringLiteral("it is a link"));
        }
        if (!kind.folder) {
            return refuse(QStringLiteral("it is no folder"));
        }
        const Security security(handle);
        if (security.error() != ERROR_SUCCESS) {
            return systemError(shown, security.error());
        }
        if (!isMe(security.owner())) {
            return refuse(QStringLiteral("it belongs to another user"));
        }
        if (check == FolderCheck::Private) {
            if (const std::optional<QString> who = security.othersMay(kReaches)) {
                return refuse(
                    QStringLiteral("other users can reach it (its access list lets in %1)")
                        .arg(*who));
            }
        }
        if (const std::optional<QString> who = security.othersMay(kWrites)) {
            return refuse(
                QStringLiteral("other users can write into it (its access list lets in %1)")
                    .arg(*who));
        }
        folder = std::move(opened);
        return {};
    }
}

EntryKind fsEntryKind(const FsHandle &folder, const QString &name)
{
    HANDLE entry = INVALID_HANDLE_VALUE;
    if (openAt(handleOf(folder), name, FILE_READ_ATTRIBUTES | READ_CONTROL, FILE_OPEN,
               FILE_OPEN_REPARSE_POINT, entry) < 0) {
        return EntryKind::Missing;
    }
    const FsHandle opened = held(entry);
    const Kind kind = kindOf(entry);
    if (kind.link) {
        const Security security(entry);
        return security.error() == ERROR_SUCCESS && trusted(security.owner())
                   ? EntryKind::OwnLink
                   : EntryKind::OtherUsersLink;
    }
    if (kind.folder) {
        return EntryKind::Folder;
    }
    return GetFileType(entry) == FILE_TYPE_DISK ? EntryKind::RegularFile : EntryKind::Special;
}

FsError fsCreateFile(const FsHandle &folder, const QString &name, FsHandle &file)
{
    // Made new or not at all: whatever has the name, a link too, is left alone. Its access list
    // is the one the folder hands down, as for every new file.
    HANDLE made = INVALID_HANDLE_VALUE;
    const NTSTATUS status = openAt(handleOf(folder), name, GENERIC_READ | GENERIC_WRITE,
                                   FILE_CREATE, FILE_NON_DIRECTORY_FILE, made);
    if (status < 0) {
        return statusError(name, status);
    }
    file = held(made);
    return {};
}

FsError fsOpenForReading(const FsHandle &folder, const QString &name, FsHandle &file)
{
    Walk walk(false);
    FsError e = walk.beginIn(folder, QString(), name);
    if (!e) {
        e = walk.resolveLastName();
    }
    if (e) {
        return e;
    }
    HANDLE opened = INVALID_HANDLE_VALUE;
    const NTSTATUS status = openAt(handleOf(walk.folder()), walk.lastName(), GENERIC_READ,
                                   FILE_OPEN, FILE_OPEN_REPARSE_POINT, opened);
    if (status < 0) {
        return statusError(name, status);
    }
    file = held(opened);
    if (kindOf(opened).folder || GetFileType(opened) != FILE_TYPE_DISK) {
        file.reset();
        return FsError{FsError::System, name, QStringLiteral("not a regular file")};
    }
    return {};
}

FsError fsOpenForAppending(const FsHandle &folder, const QString &name, FsHandle &file)
{
    HANDLE opened = INVALID_HANDLE_VALUE;
    const NTSTATUS status = openAt(handleOf(folder), name, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                   FILE_OPEN, FILE_OPEN_REPARSE_POINT, opened);
    if (status < 0) {
        return statusError(name, status);
    }
    file = held(opened);
    const Kind kind = kindOf(opened);
    if (kind.folder) {
        // Windows would append to a folder's list of entries; as elsewhere, it is no file.
        file.reset();
        return FsError{FsError::System, name, QString::fromLocal8Bit(std::strerror(EISDIR))};
    }
    if (kind.link) {
        file.reset();
        return systemError(name, ERROR_CANT_ACCESS_FILE);
    }
    return {};
}

FsError fsWrite(const FsHandle &file, const char *data, qint64 size)
{
    // A disk that fills in the middle takes part of a write; the rest then fails with the reason.
    for (qint64 done = 0; done < size;) {
        const DWORD chunk = DWORD(std::min<qint64>(size - done, 1 << 30));
        DWORD n = 0;
        if (!WriteFile(handleOf(file), data + done, chunk, &n, nullptr)) {
            return systemError(QString(), GetLastError());
        }
        done += n;
    }
    return {};
}

qint64 fsRead(const FsHandle &file, char *data, qint64 size, FsError &error)
{
    DWORD n = 0;
    if (!ReadFile(handleOf(file), data, DWORD(std::min<qint64>(size, 1 << 30)), &n, nullptr)) {
        const DWORD why = GetLastError();
        if (why == ERROR_HANDLE_EOF) {
            return 0;
        }
        error = systemError(QString(), why);
        return -1;
    }
    return qint64(n);
}

FsError fsSync(const FsHandle &file)
{
    return FlushFileBuffers(handleOf(file)) ? FsError{} : systemError(QString(), GetLastError());
}

int fsModeAt(const FsHandle &, const QString &)
{
    // No mode bits: a file made anew takes the access list its folder hands down, as every file
    // that Windows programs save does.
    return -1;
}

FsError fsSetMode(const FsHandle &, int)
{
    return {};
}

namespace {

// Gives the open file the name `to` in the folder, replacing what has that name; a link there is
// replaced, not followed.
FsError renameOpen(const FsHandle &folder, HANDLE opened, const QString &to)
{
    const std::wstring name = to.toStdWString();
    std::vector<char> buffer(sizeof(FILE_RENAME_INFORMATION) + name.size() * sizeof(wchar_t));
    auto *rename = reinterpret_cast<FILE_RENAME_INFORMATION *>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = handleOf(folder);
    rename->FileNameLength = ULONG(name.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, name.data(), rename->FileNameLength);
    IO_STATUS_BLOCK io{};
    const NTSTATUS status =
        NtSetInformationFile(opened, &io, rename, ULONG(buffer.size()), FileRenameInformation);
    return status < 0 ? statusError(to, status) : FsError{};
}

}  // namespace

FsError fsRename(const FsHandle &folder, const QString &from, const QString &to)
{
    // The entry itself is opened: a link named `from` is renamed, not followed.
    HANDLE opened = INVALID_HANDLE_VALUE;
    const NTSTATUS status = openAt(handleOf(folder), from, DELETE, FILE_OPEN,
                                   FILE_OPEN_REPARSE_POINT | FILE_NON_DIRECTORY_FILE, opened);
    if (status < 0) {
        return statusError(from, status);
    }
    const FsHandle moving = held(opened);
    return renameOpen(folder, opened, to);
}

FsError fsRenameHeld(const FsHandle &folder, FsHandle &file, const QString &from, const QString &to)
{
    // Renaming through the handle would need it opened for deleting, and a library that opens
    // the file by its name (the workbook's) is then refused by Windows' sharing rules. The new
    // file is let go and renamed by its name in the folder held open, as on POSIX.
    file.reset();
    return fsRename(folder, from, to);
}

FsError fsRemove(const FsHandle &folder, const QString &name)
{
    HANDLE opened = INVALID_HANDLE_VALUE;
    NTSTATUS status = openAt(handleOf(folder), name, DELETE, FILE_OPEN,
                             FILE_OPEN_REPARSE_POINT | FILE_NON_DIRECTORY_FILE, opened);
    if (status < 0) {
        return statusError(name, status);
    }
    const FsHandle removing = held(opened);
    FILE_DISPOSITION_INFORMATION disposition{TRUE};
    IO_STATUS_BLOCK io{};
    status = NtSetInformationFile(opened, &io, &disposition, sizeof disposition,
                                  FileDispositionInformation);
    return status < 0 ? statusError(name, status) : FsError{};
}

qint64 fsFreeBytes(const FsHandle &folder)
{
    // What the user may still write there, after any quota.
    FILE_FS_FULL_SIZE_INFORMATION size{};
    IO_STATUS_BLOCK io{};
    if (NtQueryVolumeInformationFile(handleOf(folder), &io, &size, sizeof size,
                                     FileFsFullSizeInformation) < 0) {
        return -1;
    }
    return size.CallerAvailableAllocationUnits.QuadPart * qint64(size.SectorsPerAllocationUnit) *
           qint64(size.BytesPerSector);
}

void fsForEachFile(const FsHandle &folder,
                   const std::function<void(const QString &name, const QDateTime &changed)> &fn)
{
    std::vector<char> buffer(64 * 1024);
    FILE_INFO_BY_HANDLE_CLASS what = FileFullDirectoryRestartInfo;
    while (
        GetFileInformationByHandleEx(handleOf(folder), what, buffer.data(), DWORD(buffer.size()))) {
        what = FileFullDirectoryInfo;
        for (std::size_t at = 0;;) {
            const auto *entry = reinterpret_cast<const FILE_FULL_DIR_INFO *>(buffer.data() + at);
            const bool plain = (entry->FileAttributes &
                                (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
            if (plain) {
                // In 100 ns steps since 1601.
                const qint64 since1601 = entry->LastWriteTime.QuadPart;
                const qint64 msecs = since1601 / 10000 - 11644473600000LL;
                fn(QString::fromWCharArray(entry->FileName,
                                           int(entry->FileNameLength / sizeof(wchar_t))),
                   QDateTime::fromMSecsSinceEpoch(msecs));
            }
            if (entry->NextEntryOffset == 0) {
                break;
            }
            at += entry->NextEntryOffset;
        }
    }
}

QString fsNameOfOpenFile(const FsHandle &file)
{
    // Windows has no name that leads to an open file as such. Its path does, as long as the
    // program holds the file and its folder: neither can be renamed, removed or replaced while
    // held, and the folders above are the user's own, which nobody else can change. The path is
    // handed on in the 8-bit form libraries open files by, so it must come back whole from it.
    QString path = finalPathOf(handleOf(file));
    if (path.isEmpty()) {
        return QString();
    }
    if (QString::fromLocal8Bit(path.toLocal8Bit()) != path) {
        const std::wstring wide = path.toStdWString();
        std::wstring shortPath(MAX_PATH, L'\0');
        const DWORD n = GetShortPathNameW(wide.c_str(), shortPath.data(), DWORD(shortPath.size()));
        if (n == 0 || n >= shortPath.size()) {
            return QString();
        }
        shortPath.resize(n);
        path = QString::fromStdWString(shortPath);
        if (QString::fromLocal8Bit(path.toLocal8Bit()) != path) {
            return QString();
        }
    }
    // The name leads to this file and no other.
    HANDLE byName = CreateFileW(path.toStdWString().c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (byName == INVALID_HANDLE_VALUE) {
        return QString();
    }
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t openVolume = 0;
    std::uint64_t openIndex = 0;
    const bool same = identityOf(byName, volume, index) &&
                      identityOf(handleOf(file), openVolume, openIndex) && volume == openVolume &&
                      index == openIndex;
    CloseHandle(byName);
    return same ? path : QString();
}

FsLibraryFile fsRememberLibraryFile(std::FILE *file)
{
    FsLibraryFile remembered;
    if (file == nullptr) {
        return remembered;
    }
    const int descriptor = _fileno(file);
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (handle != INVALID_HANDLE_VALUE && identityOf(handle, volume, index)) {
        remembered = {descriptor, volume, index};
    }
    return remembered;
}

void fsCloseIfLeftOpen(const FsLibraryFile &file)
{
    // The library made the file to be removed when closed, so it still has its name until then.
    if (file.descriptor < 0) {
        return;
    }
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.descriptor));
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    if (handle != INVALID_HANDLE_VALUE && identityOf(handle, volume, index) &&
        volume == file.device && index == file.inode) {
        _close(file.descriptor);
    }
}

QString fsUserFolder(const char *variable, const QString &belowHome)
{
    const QString set = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
    if (!set.isEmpty() && QDir::isAbsolutePath(set) && !set.startsWith(QLatin1Char('/'))) {
        return set;
    }
    if (!set.isEmpty() && set.startsWith(QLatin1String("//"))) {
        return set;
    }
    return QDir::homePath() + QLatin1Char('/') + belowHome;
}
