// A child program for the batch tests: "BatchChild.exe MS FILE" creates
// FILE.started, sleeps MS milliseconds and then creates FILE, so a test can
// see that it ran and whether it was ended before its time.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {
void Touch(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    Touch(std::wstring(argv[2]) + L".started");
    Sleep(static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)));
    Touch(argv[2]);
    return 0;
}
