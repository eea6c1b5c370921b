// Writes the text on the Windows clipboard to standard output as UTF-8, byte for byte, and exits
// 1 when the clipboard holds no text. Wine's bridge to the X clipboard drops the CR of every CR LF,
// so the end-to-end test reads what a Windows program would paste through this instead.
#include <algorithm>
#include <string>

#include <windows.h>

int main()
{
    // Another program may hold the clipboard open for a moment.
    bool open = false;
    for (int tries = 0; tries < 100 && !open; ++tries) {
        open = OpenClipboard(nullptr);
        if (!open) {
            Sleep(20);
        }
    }
    if (!open) {
        return 2;
    }
    int rc = 1;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto *text = static_cast<const wchar_t *>(GlobalLock(data))) {
            const SIZE_T units = GlobalSize(data) / sizeof(wchar_t);
            SIZE_T length = 0;
            while (length < units && text[length] != L'\0') {
                ++length;
            }
            std::string bytes;
            if (length > 0) {
                const int size = WideCharToMultiByte(CP_UTF8, 0, text, int(length), nullptr, 0,
                                                     nullptr, nullptr);
                bytes.resize(std::size_t(size));
                WideCharToMultiByte(CP_UTF8, 0, text, int(length), bytes.data(), size, nullptr,
                                    nullptr);
            }
            GlobalUnlock(data);
            const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
            std::size_t done = 0;
            rc = 0;
            while (done < bytes.size()) {
                DWORD written = 0;
                const DWORD chunk = DWORD(std::min<std::size_t>(bytes.size() - done, 1 << 20));
                if (!WriteFile(out, bytes.data() + done, chunk, &written, nullptr) ||
                    written == 0) {
                    rc = 2;
                    break;
                }
                done += written;
            }
        }
    }
    CloseClipboard();
    return rc;
}
