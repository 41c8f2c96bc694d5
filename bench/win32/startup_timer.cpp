// Times each program from CreateProcess to its visible dialog, alternating
// between them, then closes it; prints the medians and their ratio.
//   startup_timer PROGRAM BASELINE [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "wine_path.h"

namespace {

struct Search {
    DWORD processId;
    HWND found;
};

HWND VisibleDialogOf(DWORD processId) {
    Search search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == s->processId && IsWindowVisible(window)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Milliseconds to the visible dialog, or a negative number when it never came.
double TimeOne(std::wstring program) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    wchar_t directory[MAX_PATH];
    GetTempPathW(MAX_PATH, directory);
    std::wstring command = L"\"" + program + L"\"";
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, directory, &startup, &process)) {
        return -1;
    }
    HWND dialog = nullptr;
    for (int i = 0; i < 20000 && dialog == nullptr; ++i) {
        dialog = VisibleDialogOf(process.dwProcessId);
        if (dialog == nullptr) Sleep(1);
    }
    QueryPerformanceCounter(&now);
    if (dialog != nullptr) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    if (dialog == nullptr) return -1;
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_timer PROGRAM BASELINE [ROUNDS]\n");
        return 2;
    }
    const std::wstring program = WindowsPath(argv[1]);
    const std::wstring baseline = WindowsPath(argv[2]);
    const int rounds = argc > 3 ? _wtoi(argv[3]) : 15;
    TimeOne(program);  // warm the file cache and the wineserver
    TimeOne(baseline);
    std::vector<double> programTimes, baselineTimes;
    for (int round = 0; round < rounds; ++round) {
        const double a = TimeOne(program);
        const double b = TimeOne(baseline);
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "a dialog did not appear\n");
            return 1;
        }
        programTimes.push_back(a);
        baselineTimes.push_back(b);
    }
    const double a = Median(programTimes), b = Median(baselineTimes);
    std::printf("start-up to visible dialog, median of %d: Tessary.exe %.1f ms, dialog-only %.1f ms, ratio %.2f\n",
                rounds, a, b, a / b);
    return 0;
}
