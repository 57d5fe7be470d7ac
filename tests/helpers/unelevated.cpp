// unelevated.exe PROGRAM [ARGUMENT...]: runs the program with the limited token linked to this process's
// own, as Windows starts a user's programs, and ends with its exit code. Wine starts every program with an
// administrator's elevated token instead (tests/wine-run.sh).
#include <windows.h>

int main()
{
    // The command line after this program's own name, as it was given.
    wchar_t *rest = GetCommandLineW();
    for (bool quoted = false; *rest && (quoted || (*rest != L' ' && *rest != L'\t')); ++rest)
        quoted ^= *rest == L'"';
    while (*rest == L' ' || *rest == L'\t')
        ++rest;
    HANDLE own = nullptr;
    TOKEN_LINKED_TOKEN limited{};
    DWORD size = 0;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own);
    GetTokenInformation(own, TokenLinkedToken, &limited, sizeof limited, &size);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessAsUserW(limited.LinkedToken, nullptr, rest, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                              &process))
        return 127;
    DWORD code = 127;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    return int(code);
}
