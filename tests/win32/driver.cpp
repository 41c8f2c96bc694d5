// Drives Tessary.exe as a user would, from a scenario file: seeds the registry
// and Tessary.ini, starts the program, reads its views and pickers, picks,
// presses, answers message boxes, and checks the registry and the settings
// file afterwards. Runs under the same Wine prefix as the program.
//
//   tessary_driver Tessary.exe scenario.txt work-directory ja|en [screenshot-directory]
//
// Scenario lines (arguments in double quotes keep their blanks; \" \\ \t escape):
//   seed NAME CLSID             seed-child NAME CHILD       ini LINE
//   import FILE.reg             (beside the scenario; the .reg replaces the key)
//   start                       now / after, then "- MARKER NAME STATUS" rows
//   first INDEX ITEM...         second INDEX ITEM...        change enabled|disabled
//   pick first|second TEXT      press change|exit           command ok|cancel
//   key escape|enter            close-box                   exit-code N
//   answer confirm|succeeded|failed yes|no|ok               no-message
//   registry NAME...            registry-entry NAME CLSID   screenshot NAME
//   screenshot-message NAME     (the dialog with its message box, once one is open)
//   ini-absent  ini-unicode  ini-key KEY VALUE  ini-key-absent KEY  ini-raw LINE
//   export NAME                 same-as-export NAME  (the overlay key, by reg export)
//   undo-files N                import-undo          (the one undo file, then removed)
//   remove NAME                 (an overlay subkey with everything below it)
//   access NAME read|full       (everyone may only read the subkey, or do anything)
//   signed-out                  (the program asked the system to sign out)
//   columns                     (styles, headings and widths of both list views)
//   centred                     (the dialog is centred on the work area)
//   other-window                (another program's window takes the foreground;
//                                the next step takes it back by the fallback first)
// A STATUS of @duplicate or @rename is that text in the run's language. The
// overlay key is emptied before the first seed; without seeds or an import it is
// used as it is.
#include <windows.h>
#include <commctrl.h>
#include <sddl.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "res/resource.h"
#include "ui/language.h"
#include "wine_path.h"

namespace {

const wchar_t OverlayPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";
constexpr DWORD Timeout = 15000;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

// Under Wine the registry and the session are the test prefix's own.
bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string Quoted(const std::wstring& text) { return "\"" + Narrow(text) + "\""; }

void Check(bool condition, const std::string& message) {
    if (!condition) throw Failure(message);
}

// A Win32 call that failed, with the error it left.
void CheckCall(bool succeeded, const std::string& message) {
    if (!succeeded) throw Failure(message + " (error " + std::to_string(GetLastError()) + ")");
}

// A registry call, which returns its error.
void CheckStatus(LSTATUS status, const std::string& message) {
    if (status != ERROR_SUCCESS) throw Failure(message + " (error " + std::to_string(status) + ")");
}

void WaitUntil(const std::function<bool()>& done, const std::string& what) {
    for (DWORD waited = 0; !done(); waited += 20) {
        if (waited > Timeout) throw Failure("timed out waiting for " + what);
        Sleep(20);
    }
}

// The words of one scenario line.
std::vector<std::wstring> Tokens(const std::string& line) {
    std::vector<std::wstring> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
            continue;
        }
        std::string token;
        if (line[i] == '"') {
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    ++i;
                    token += line[i] == 't' ? '\t' : line[i];
                } else {
                    token += line[i];
                }
            }
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') token += line[i++];
        }
        tokens.push_back(Widen(token));
    }
    return tokens;
}

class Driver {
public:
    Driver(std::wstring program, std::wstring folder, bool inJapanese, std::wstring screenshots)
        : exe(std::move(program)), work(std::move(folder)), japanese(inJapanese), shots(std::move(screenshots)) {
        strings = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        CheckCall(strings != nullptr, "cannot load " + Narrow(exe));
        CreateDirectoryW(work.c_str(), nullptr);
        DeleteFileW(IniPath().c_str());
        for (const std::wstring& file : UndoFiles()) DeleteFileW((work + L"\\" + file).c_str());
    }

    ~Driver() {
        for (PROCESS_INFORMATION* started : {&process, &other}) {
            if (started->hProcess == nullptr) continue;
            if (WaitForSingleObject(started->hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(started->hProcess, 99);
            CloseHandle(started->hProcess);
            CloseHandle(started->hThread);
        }
    }

    void Run(std::istream& scenario, const std::wstring& path) {
        const std::size_t slash = path.find_last_of(L'\\');
        scenarioDirectory = path.substr(0, slash);
        scenarioName = path.substr(slash + 1, path.find_last_of(L'.') - slash - 1);
        std::vector<std::vector<std::wstring>> lines;
        std::vector<int> numbers;
        std::string line;
        for (int number = 1; std::getline(scenario, line); ++number) {
            const std::vector<std::wstring> tokens = Tokens(line);
            if (tokens.empty() || tokens[0][0] == L'#') continue;
            lines.push_back(tokens);
            numbers.push_back(number);
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            try {
                if (lines[i][0] == L"now" || lines[i][0] == L"after") {
                    std::vector<std::vector<std::wstring>> rows;
                    while (i + 1 < lines.size() && lines[i + 1][0] == L"-") rows.push_back(lines[++i]);
                    CheckRows(lines[i - rows.size()][0] == L"now" ? IDC_NOW_LIST : IDC_AFTER_LIST, rows);
                } else {
                    Step(lines[i]);
                }
            } catch (const Failure& failure) {
                throw Failure("line " + std::to_string(numbers[i]) + ": " + failure.what());
            }
        }
    }

private:

    std::wstring IniPath() const { return work + L"\\Tessary.ini"; }

    std::wstring Text(int id) const {
        wchar_t buffer[260] = {};
        LoadStringW(strings, static_cast<UINT>(id + (japanese ? tessary::JapaneseOffset : tessary::EnglishOffset)), buffer, 260);
        return buffer;
    }

    std::wstring Status(const std::wstring& token) const {
        if (token == L"@duplicate") return Text(IDS_STATUS_DUPLICATE);
        if (token == L"@rename") return Text(IDS_STATUS_RENAME);
        return token;
    }

    static std::wstring WindowText(HWND window) {
        wchar_t buffer[512] = {};
        GetWindowTextW(window, buffer, 512);
        return buffer;
    }

    void Step(const std::vector<std::wstring>& t) {
        const std::wstring& verb = t[0];
        const auto arg = [&](std::size_t i) -> const std::wstring& {
            Check(i < t.size(), Narrow(verb) + ": missing argument");
            return t[i];
        };
        if (verb == L"seed") {
            ClearRegistryOnce();
            HKEY key = nullptr;
            const std::wstring path = std::wstring(OverlayPath) + L"\\" + arg(1);
            CheckStatus(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                        nullptr),
                        "cannot seed " + Quoted(arg(1)));
            const LSTATUS status = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(arg(2).c_str()),
                                                  static_cast<DWORD>((arg(2).size() + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
            CheckStatus(status, "cannot seed " + Quoted(arg(1)));
        } else if (verb == L"seed-child") {
            HKEY key = nullptr;
            const std::wstring path = std::wstring(OverlayPath) + L"\\" + arg(1) + L"\\" + arg(2);
            CheckStatus(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                        nullptr),
                        "cannot seed " + Quoted(arg(2)));
            RegCloseKey(key);
        } else if (verb == L"import") {
            Import(scenarioDirectory + L"\\" + arg(1));
            cleared = true;  // the file replaces the key
        } else if (verb == L"remove") {
            CheckStatus(RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(OverlayPath) + L"\\" + arg(1)).c_str()),
                        "cannot remove " + Quoted(arg(1)));
        } else if (verb == L"access") {
            // As Windows, an installer or an administrator may narrow a key's permissions.
            PSECURITY_DESCRIPTOR descriptor = nullptr;
            CheckCall(ConvertStringSecurityDescriptorToSecurityDescriptorW(
                          arg(2) == L"read" ? L"D:P(A;;KR;;;WD)" : L"D:P(A;;KA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr),
                      "cannot make a security descriptor");
            HKEY key = nullptr;
            LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(OverlayPath) + L"\\" + arg(1)).c_str(), 0,
                                           WRITE_DAC, &key);
            if (status == ERROR_SUCCESS) {
                status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
                RegCloseKey(key);
            }
            LocalFree(descriptor);
            CheckStatus(status, "cannot set the access to " + Quoted(arg(1)));
        } else if (verb == L"export") {
            Reg(L"export \"HKLM\\" + std::wstring(OverlayPath) + L"\" \"" + work + L"\\" + arg(1) + L".reg\" /y");
        } else if (verb == L"same-as-export") {
            Reg(L"export \"HKLM\\" + std::wstring(OverlayPath) + L"\" \"" + work + L"\\now.reg\" /y");
            const std::string then = FileBytes(work + L"\\" + arg(1) + L".reg"), now = FileBytes(work + L"\\now.reg");
            Check(!then.empty() && then == now, "the key differs from the export " + Narrow(arg(1)) + ":\n" +
                                                    Narrow(Utf16Text(now)));
        } else if (verb == L"undo-files") {
            Check(UndoFiles().size() == std::stoul(arg(1)), std::to_string(UndoFiles().size()) + " undo files");
        } else if (verb == L"import-undo") {
            ImportUndo();
        } else if (verb == L"ini") {
            AppendIniLine(arg(1));
        } else if (verb == L"start") {
            Start();
        } else if (verb == L"first" || verb == L"second") {
            CheckPicker(verb == L"first" ? IDC_FIRST_GROUP : IDC_SECOND_GROUP, std::stoi(arg(1)), {t.begin() + 2, t.end()});
        } else if (verb == L"change") {
            Settle();
            const bool enabled = IsWindowEnabled(Control(IDC_CHANGE)) != FALSE;
            Check(enabled == (arg(1) == L"enabled"), "the Change button is " + std::string(enabled ? "enabled" : "disabled"));
        } else if (verb == L"pick") {
            Pick(arg(1) == L"first" ? IDC_FIRST_GROUP : IDC_SECOND_GROUP, arg(2));
        } else if (verb == L"press") {
            BringToForeground(dialog, "the dialog");
            PostMessageW(Control(arg(1) == L"change" ? IDC_CHANGE : IDC_EXIT), BM_CLICK, 0, 0);
        } else if (verb == L"command") {
            PostMessageW(dialog, WM_COMMAND, arg(1) == L"ok" ? IDOK : IDCANCEL, 0);
        } else if (verb == L"key") {
            BringToForeground(dialog, "the dialog");
            PressKey(static_cast<WORD>(arg(1) == L"escape" ? VK_ESCAPE : VK_RETURN));
        } else if (verb == L"close-box") {
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else if (verb == L"exit-code") {
            Check(WaitForSingleObject(process.hProcess, Timeout) == WAIT_OBJECT_0, "the program did not end");
            DWORD code = 0;
            GetExitCodeProcess(process.hProcess, &code);
            Check(code == static_cast<DWORD>(std::stoul(arg(1))), "exit code " + std::to_string(code));
        } else if (verb == L"answer") {
            Answer(arg(1), arg(2));
        } else if (verb == L"no-message") {
            Sleep(300);
            Check(MessageBoxWindow() == nullptr, "a message box is open: " + Quoted(MessageBoxText(MessageBoxWindow())));
        } else if (verb == L"registry") {
            const std::vector<std::wstring> names = RegistryNames();
            const std::vector<std::wstring> expected(t.begin() + 1, t.end());
            std::string listed;
            for (const std::wstring& name : names) listed += " " + Quoted(name);
            Check(names == expected, "the registry holds" + listed);
        } else if (verb == L"registry-entry") {
            wchar_t data[260] = {};
            DWORD size = sizeof data;
            const std::wstring path = std::wstring(OverlayPath) + L"\\" + arg(1);
            const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data, &size);
            CheckStatus(status, "cannot read " + Quoted(arg(1)));
            Check(arg(2) == data, Quoted(arg(1)) + " holds " + Quoted(data));
        } else if (verb == L"ini-absent") {
            Check(GetFileAttributesW(IniPath().c_str()) == INVALID_FILE_ATTRIBUTES, "Tessary.ini exists");
        } else if (verb == L"ini-unicode") {
            Check(IniBytes().rfind("\xFF\xFE", 0) == 0, "Tessary.ini is not UTF-16 with a byte-order mark");
        } else if (verb == L"ini-key" || verb == L"ini-key-absent") {
            wchar_t value[260] = {};
            GetPrivateProfileStringW(L"GROUP", arg(1).c_str(), L"\x01(absent)", value, 260, IniPath().c_str());
            const std::wstring expected = verb == L"ini-key" ? arg(2) : L"\x01(absent)";
            Check(value == expected, Narrow(arg(1)) + " reads " + Quoted(value));
        } else if (verb == L"ini-raw") {
            std::wstring line = L"\n";
            line += arg(1);
            line += L'\r';
            Check(IniText().find(line) != std::wstring::npos, "no line " + Quoted(arg(1)) + " in:\n" + Narrow(IniText()));
        } else if (verb == L"columns") {
            CheckColumns(IDC_NOW_LIST, IDS_COLUMN_STATUS);
            CheckColumns(IDC_AFTER_LIST, IDS_COLUMN_ACTION);
        } else if (verb == L"centred") {
            RECT workArea{}, frame{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
            GetWindowRect(dialog, &frame);
            const long x = workArea.left + ((workArea.right - workArea.left) - (frame.right - frame.left)) / 2;
            const long y = workArea.top + ((workArea.bottom - workArea.top) - (frame.bottom - frame.top)) / 2;
            Check(frame.left == x && frame.top == y, "the dialog is at " + std::to_string(frame.left) + ", " +
                                                         std::to_string(frame.top) + ", not at " + std::to_string(x) +
                                                         ", " + std::to_string(y));
        } else if (verb == L"signed-out") {
            WaitForSignOut();
        } else if (verb == L"other-window") {
            OtherWindow();
        } else if (verb == L"screenshot") {
            Screenshot(arg(1));
        } else if (verb == L"screenshot-message") {
            WaitUntil([&] { return MessageBoxWindow() != nullptr; }, "a message box");
            Screenshot(arg(1));
        } else {
            throw Failure("unknown step " + Narrow(verb));
        }
    }

    void ClearRegistryOnce() {
        if (cleared) return;
        cleared = true;
        // A subkey the machine protects must stop the scenario here, not as a
        // list that differs later.
        const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, OverlayPath);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            throw Failure("cannot empty the overlay key (error " + std::to_string(status) + ")" + UndeletableSubkeys());
        }
        HKEY key = nullptr;
        CheckStatus(RegCreateKeyExW(HKEY_LOCAL_MACHINE, OverlayPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                    "cannot make the overlay key");
        RegCloseKey(key);
    }

    // The subkeys left after a failed emptying, each tried alone, so that the
    // log names the ones that stop it.
    std::string UndeletableSubkeys() const {
        std::string named;
        for (const std::wstring& name : RegistryNames()) {
            const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(OverlayPath) + L"\\" + name).c_str());
            if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
                named += " " + Quoted(name) + " (error " + std::to_string(status) + ")";
            }
        }
        return named.empty() ? "; every subkey can be deleted, the key itself cannot" : "; subkeys that cannot be deleted:" + named;
    }

    // reg.exe reads a file without a byte-order mark in the ANSI code page; a
    // UTF-8 file is handed to it as UTF-16, as regedit would have written it.
    void Import(const std::wstring& file) const {
        std::wstring source = file;
        std::ifstream in(file.c_str(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.rfind("\xFF\xFE", 0) != 0) {
            source = work + L"\\import.reg";
            const std::wstring text = L"\xFEFF" + Widen(bytes);
            std::ofstream(source.c_str(), std::ios::binary).write(reinterpret_cast<const char*>(text.data()),
                                                                  static_cast<std::streamsize>(text.size() * sizeof(wchar_t)));
        }
        Reg(L"import \"" + source + L"\"");
    }

    void Reg(const std::wstring& arguments) const {
        PROCESS_INFORMATION reg{};
        Launch(nullptr, L"reg.exe " + arguments, nullptr, reg);
        WaitForSingleObject(reg.hProcess, Timeout);
        DWORD code = 1;
        GetExitCodeProcess(reg.hProcess, &code);
        CloseHandle(reg.hProcess);
        CloseHandle(reg.hThread);
        Check(code == 0, "reg " + Narrow(arguments) + " failed");
    }

    // The undo files Tessary left in its folder, with any file written aside.
    std::vector<std::wstring> UndoFiles() const {
        std::vector<std::wstring> files;
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW((work + L"\\Tessary-undo-*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return files;
        do {
            files.emplace_back(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return files;
    }

    // Imports the one undo file as a user would, after checking that it is what
    // Registry Editor writes, and takes it away, so that the next change leaves
    // the next one.
    void ImportUndo() const {
        const std::vector<std::wstring> files = UndoFiles();
        Check(files.size() == 1, std::to_string(files.size()) + " undo files");
        const std::wstring path = work + L"\\" + files[0];
        const std::string bytes = FileBytes(path);
        Check(bytes.rfind("\xFF\xFE", 0) == 0 && Utf16Text(bytes).rfind(L"Windows Registry Editor Version 5.00\r\n", 0) == 0,
              "the undo file is not a UTF-16 registry file");
        Import(path);
        DeleteFileW(path.c_str());
    }

    void Start() {
        if (process.hProcess != nullptr) {
            Check(WaitForSingleObject(process.hProcess, Timeout) == WAIT_OBJECT_0, "the previous run did not end");
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
            process = {};
            remote = nullptr;
        }
        Launch(exe.c_str(), L"\"" + exe + L"\"", work.c_str(), process);
        WaitUntil([&] { return (dialog = FindDialog()) != nullptr; }, "the dialog");
        // The window exists before its controls are filled.
        WaitUntil([&] { return IsWindowVisible(dialog) && Control(IDC_AFTER_LIST) != nullptr; }, "the dialog's controls");
        remote = VirtualAllocEx(process.hProcess, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
        CheckCall(remote != nullptr, "cannot reach into the program's memory");
        const std::wstring expected = japanese ? L"\xFF0D \x5909\x66F4(&C) \x2192" : L"-- &Change ->";
        Check(WindowText(Control(IDC_CHANGE)) == expected, "the dialog is not in the expected language");
        BringToForeground(dialog, "the dialog");
    }

    // Keys and clicks reach only the foreground window, and the dialog gets the
    // focus only when activated; on a hosted runner its console holds the
    // foreground, and Windows may refuse it to a background process. The ways,
    // tried in turn until one gives it: attached to the holder's input, this
    // process may hand it on; a synthetic Alt lifts the lock that keeps a
    // background process from taking it; SwitchToThisWindow, the last resort.
    void BringToForeground(HWND window, const std::string& what) {
        static const char* const ways[] = {"AttachThreadInput", "SendInput of Alt", "SwitchToThisWindow"};
        const int first = fallbackFirst ? 1 : 0;
        fallbackFirst = false;
        for (const ULONGLONG start = GetTickCount64(); GetForegroundWindow() != window;) {
            if (GetTickCount64() - start > Timeout) ForegroundFailure(what);
            for (int i = 0; i < 3 && GetForegroundWindow() != window; ++i) {
                const int way = (first + i) % 3;
                TakeForeground(window, way);
                Sleep(20);
                if (way != 0 && GetForegroundWindow() == window) std::printf("%s: in front by %s\n", what.c_str(), ways[way]);
            }
        }
    }

    static void TakeForeground(HWND window, int way) {
        if (way == 0) {
            const DWORD self = GetCurrentThreadId();
            const DWORD holder = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
            const bool attached = holder != 0 && holder != self && AttachThreadInput(self, holder, TRUE) != FALSE;
            SetForegroundWindow(window);
            if (attached) AttachThreadInput(self, holder, FALSE);
        } else if (way == 1) {
            INPUT alt{};
            alt.type = INPUT_KEYBOARD;
            alt.ki.wVk = VK_MENU;
            alt.ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(1, &alt, static_cast<int>(sizeof alt));
            SetForegroundWindow(window);
        } else {
            SwitchToThisWindow(window, TRUE);
        }
    }

    // What a reader of the log needs to see why: the window that keeps the
    // foreground, whether this process is on the desktop that takes input, and
    // the whole screen.
    [[noreturn]] void ForegroundFailure(const std::string& what) {
        const HWND holder = GetForegroundWindow();
        wchar_t kind[256] = {};
        GetClassNameW(holder, kind, 256);
        std::string desktop;
        const HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
        if (input == nullptr) {
            desktop = "the input desktop cannot be opened (error " + std::to_string(GetLastError()) +
                      "): not the interactive session, or a locked or secure desktop";
        } else {
            const std::wstring own = DesktopName(GetThreadDesktop(GetCurrentThreadId()));
            desktop = "the input desktop is " + Quoted(DesktopName(input)) + ", this process's " + Quoted(own);
            CloseDesktop(input);
        }
        const std::wstring shot = Screenshot(L"foreground-failure." + scenarioName, true);
        throw Failure("cannot bring " + what + " to the foreground; " + Quoted(WindowText(holder)) + " (class " +
                      Quoted(kind) + ") keeps it; " + desktop + "; the screen is in " + Quoted(shot));
    }

    static std::wstring DesktopName(HDESK desktop) {
        wchar_t name[256] = {};
        GetUserObjectInformationW(desktop, UOI_NAME, name, sizeof name - sizeof(wchar_t), nullptr);
        return name;
    }

    // Another program's window in front, as a console or a notification would
    // be on a real desktop: this driver run again, showing a message box.
    void OtherWindow() {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        Launch(self, L"\"" + std::wstring(self) + L"\" --other-window", nullptr, other);
        HWND window = nullptr;
        WaitUntil([&] { return (window = FindWindowOf(other.dwProcessId, nullptr)) != nullptr; }, "the other window");
        BringToForeground(window, "the other window");
        fallbackFirst = true;
    }

    // Wine starts a program as a Unix process and waits for it to come up; on
    // a busy machine a start has failed before the program ran a line of its
    // own (once in seven test runs, not seen again in 450 starts under load).
    // Such a start is tried again, three times at most: a program that cannot
    // start fails every time, with the error of each attempt printed.
    static void Launch(const wchar_t* application, std::wstring command, const wchar_t* directory,
                       PROCESS_INFORMATION& started) {
        for (int attempt = 1;; ++attempt) {
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            if (CreateProcessW(application, command.data(), nullptr, nullptr, FALSE, 0, nullptr, directory, &startup,
                               &started) != FALSE) {
                return;
            }
            const DWORD error = GetLastError();
            std::printf("cannot start %s (error %lu), attempt %d\n", Narrow(command).c_str(), error, attempt);
            std::fflush(stdout);
            if (attempt == 3) throw Failure("cannot start " + Narrow(command) + " (error " + std::to_string(error) + ")");
            Sleep(1000);
        }
    }

    struct Search {
        DWORD processId;
        HWND owner;
        HWND found;
    };

    // A visible dialog-class window of the program: the main dialog has no owner,
    // a message box is owned by it.
    static HWND FindWindowOf(DWORD processId, HWND owner) {
        Search search{processId, owner, nullptr};
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                wchar_t kind[16] = {};
                GetClassNameW(window, kind, 16);
                if (pid == s->processId && IsWindowVisible(window) && std::wstring(kind) == L"#32770" &&
                    GetWindow(window, GW_OWNER) == s->owner) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    HWND FindDialog() const {
        const HWND found = FindWindowOf(process.dwProcessId, nullptr);
        return found != nullptr && WindowText(found) == L"Tessary" ? found : nullptr;
    }
    HWND MessageBoxWindow() const { return FindWindowOf(process.dwProcessId, dialog); }
    static std::wstring MessageBoxText(HWND box) { return box == nullptr ? L"" : WindowText(GetDlgItem(box, 0xFFFF)); }

    HWND Control(int id) const { return GetDlgItem(dialog, id); }

    std::wstring ItemText(HWND view, int row, int column) {
        LVITEMW item{};
        item.iSubItem = column;
        item.cchTextMax = 260;
        item.pszText = reinterpret_cast<LPWSTR>(static_cast<char*>(remote) + 1024);
        WriteProcessMemory(process.hProcess, remote, &item, sizeof item, nullptr);
        SendMessageW(view, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
        wchar_t text[260] = {};
        ReadProcessMemory(process.hProcess, item.pszText, text, sizeof text - sizeof(wchar_t), nullptr);
        return text;
    }

    void CheckRows(int id, const std::vector<std::vector<std::wstring>>& expected) {
        const HWND view = Control(id);
        const int count = static_cast<int>(SendMessageW(view, LVM_GETITEMCOUNT, 0, 0));
        std::string shown;
        std::vector<std::vector<std::wstring>> rows;
        for (int row = 0; row < count; ++row) {
            rows.push_back({L"-", ItemText(view, row, 0), ItemText(view, row, 1), ItemText(view, row, 2)});
            shown += "\n  - " + Quoted(rows.back()[1]) + " " + Quoted(rows.back()[2]) + " " + Quoted(rows.back()[3]);
        }
        std::vector<std::vector<std::wstring>> wanted;
        for (std::vector<std::wstring> row : expected) {
            row.resize(4);
            row[3] = Status(row[3]);
            wanted.push_back(row);
        }
        Check(rows == wanted, std::string(id == IDC_NOW_LIST ? "Now" : "After") + " shows:" + shown);
    }

    // Full-row selection and label tips; an empty, a name and a status or action
    // column, 1, 8 and 5 fourteenths of the usable width, all left-aligned.
    void CheckColumns(int id, int statusHeading) {
        const HWND view = Control(id);
        const LRESULT styles = SendMessageW(view, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
        Check(styles == (LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP), "extended styles " + std::to_string(styles));
        const HWND header = reinterpret_cast<HWND>(SendMessageW(view, LVM_GETHEADER, 0, 0));
        Check(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) == 3, "not three columns");
        RECT client{};
        GetClientRect(view, &client);
        const int unit = static_cast<int>(
            (client.right - 2 * GetSystemMetrics(SM_CXEDGE) - GetSystemMetrics(SM_CXVSCROLL)) / 14.0);
        const int widths[] = {unit, 8 * unit, 5 * unit};
        const std::wstring headings[] = {L"", Text(IDS_COLUMN_NAME), Text(statusHeading)};
        for (int column = 0; column < 3; ++column) {
            LVCOLUMNW record{};
            record.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
            record.cchTextMax = 260;
            record.pszText = reinterpret_cast<LPWSTR>(static_cast<char*>(remote) + 1024);
            WriteProcessMemory(process.hProcess, remote, &record, sizeof record, nullptr);
            SendMessageW(view, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(remote));
            ReadProcessMemory(process.hProcess, remote, &record, sizeof record, nullptr);
            wchar_t text[260] = {};
            ReadProcessMemory(process.hProcess, static_cast<char*>(remote) + 1024, text, sizeof text - sizeof(wchar_t), nullptr);
            Check(record.cx == widths[column], "column " + std::to_string(column) + " is " + std::to_string(record.cx) +
                                                   " wide, not " + std::to_string(widths[column]));
            Check(text == headings[column], "column " + std::to_string(column) + " reads " + Quoted(text));
            Check((record.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_LEFT && record.iSubItem == column,
                  "column " + std::to_string(column) + " format");
        }
    }

    std::vector<std::wstring> PickerItems(HWND combo) const {
        std::vector<std::wstring> items;
        const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[260] = {};
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items.emplace_back(text);
        }
        return items;
    }

    void CheckPicker(int id, int selected, const std::vector<std::wstring>& expected) const {
        const HWND combo = Control(id);
        const std::vector<std::wstring> items = PickerItems(combo);
        const int current = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
        // A stream, not string concatenation: GCC 12 at -O3 warns falsely
        // (-Wrestrict) about "..." + std::string there.
        std::ostringstream message;
        message << "picker " << id << " selects " << current << " of";
        for (const std::wstring& item : items) message << " " << Quoted(item);
        Check(items == expected && current == selected, message.str());
    }

    void Pick(int id, const std::wstring& text) {
        const HWND combo = Control(id);
        const std::vector<std::wstring> items = PickerItems(combo);
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i] != text) continue;
            SendMessageW(combo, CB_SETCURSEL, i, 0);
            // What the dialog manager sends when the user picks an item.
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
            return;
        }
        throw Failure("no item " + Quoted(text));
    }

    // As the keyboard delivers a key: to the focused control, or, when no
    // window has the focus, as a system key to the active window, where the
    // dialog manager does not act on it.
    void PressKey(WORD key) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(process.dwThreadId, &info);
        const bool focused = info.hwndFocus != nullptr;
        const HWND target = focused ? info.hwndFocus : info.hwndActive != nullptr ? info.hwndActive : dialog;
        PostMessageW(target, focused ? WM_KEYDOWN : WM_SYSKEYDOWN, key, 1);
        PostMessageW(target, focused ? WM_KEYUP : WM_SYSKEYUP, key, 0xC0000001);
    }

    void Answer(const std::wstring& which, const std::wstring& button) {
        const int id = which == L"confirm" ? IDS_CONFIRM_CHANGE : which == L"succeeded" ? IDS_CHANGE_SUCCEEDED : IDS_CHANGE_FAILED;
        HWND box = nullptr;
        WaitUntil([&] { return (box = MessageBoxWindow()) != nullptr && GetDlgItem(box, 0xFFFF) != nullptr; },
                  "the message box " + Narrow(which));
        Check(WindowText(box) == Text(IDS_APP_NAME), "message box caption " + Quoted(WindowText(box)));
        Check(MessageBoxText(box) == Text(id), "message box says " + Quoted(MessageBoxText(box)));
        const bool yesNo = id != IDS_CHANGE_FAILED;
        Check((GetDlgItem(box, IDYES) != nullptr) == yesNo && (GetDlgItem(box, IDNO) != nullptr) == yesNo &&
                  (GetDlgItem(box, IDOK) != nullptr) == !yesNo,
              "the message box has other buttons");
        const int pressed = button == L"yes" ? IDYES : button == L"no" ? IDNO : IDOK;
        Check(id != IDS_CHANGE_SUCCEEDED || pressed != IDYES || UnderWine(), "refusing to sign this machine's user out");
        BringToForeground(box, "the message box " + Narrow(which));
        PostMessageW(GetDlgItem(box, pressed), BM_CLICK, 0, 0);
        WaitUntil([&] { return !IsWindow(box); }, "the message box to close");
    }

    // Returns once the program has finished handling what it was given so far:
    // a sent message waits until its thread is back in a message loop.
    void Settle() const {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, Timeout, &result);
    }

    // Wine carries the sign-out request out by ending the session's programs;
    // the run counts as signed out once the program has gone.
    void WaitForSignOut() {
        Check(WaitForSingleObject(process.hProcess, Timeout) == WAIT_OBJECT_0, "the program is still running");
    }

    std::vector<std::wstring> RegistryNames() const {
        std::vector<std::wstring> names;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, OverlayPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
        for (DWORD index = 0;; ++index) {
            wchar_t name[260];
            DWORD length = 260;
            if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.emplace_back(name, length);
        }
        RegCloseKey(key);
        return names;
    }

    static std::string FileBytes(const std::wstring& path) {
        std::ifstream file(path.c_str(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    std::string IniBytes() const { return FileBytes(IniPath()); }

    // UTF-16 after a byte-order mark, else UTF-8.
    static std::wstring Utf16Text(const std::string& bytes) {
        if (bytes.rfind("\xFF\xFE", 0) == 0) {
            return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
        }
        return Widen(bytes);
    }

    std::wstring IniText() const {
        const std::string bytes = IniBytes();
        return bytes.rfind("\xFF\xFE", 0) == 0 ? Utf16Text(bytes) : L"\n" + Widen(bytes);
    }

    void AppendIniLine(const std::wstring& line) {
        std::string bytes = IniBytes();
        if (bytes.empty()) bytes = "\xFF\xFE";
        const std::wstring text = line + L"\r\n";
        bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
        std::ofstream(IniPath().c_str(), std::ios::binary) << bytes;
    }

    // The dialog, or the whole screen, as NAME.LANGUAGE.bmp; returns the file.
    std::wstring Screenshot(const std::wstring& name, bool wholeScreen = false) {
        if (shots.empty()) return L"";
        Sleep(300);  // let the views paint
        RECT frame{};
        GetWindowRect(dialog, &frame);
        if (wholeScreen) {
            frame = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
            frame.right = frame.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
            frame.bottom = frame.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
        }
        const int width = frame.right - frame.left, height = frame.bottom - frame.top;
        const HDC screen = GetDC(nullptr);
        const HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
        SelectObject(memory, old);
        const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        const DWORD size = stride * static_cast<DWORD>(height);
        const DWORD headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        BITMAPFILEHEADER file{0x4D42, headers + size, 0, 0, headers};
        const std::wstring path = shots + L"\\" + name + (japanese ? L".ja" : L".en") + L".bmp";
        std::ofstream out(path.c_str(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
        out.write(static_cast<const char*>(bits), size);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return path;
    }

    std::wstring exe;
    std::wstring work;
    bool japanese;
    std::wstring shots;
    std::wstring scenarioDirectory;
    std::wstring scenarioName;
    bool cleared = false;
    HMODULE strings = nullptr;
    PROCESS_INFORMATION process{};
    PROCESS_INFORMATION other{};  // the other-window step's
    bool fallbackFirst = false;
    HWND dialog = nullptr;
    void* remote = nullptr;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == L"--other-window") {
        return MessageBoxW(nullptr, L"Another program's window", L"Another program", MB_OK) == 0;
    }
    if (argc < 5) {
        std::fprintf(stderr, "usage: tessary_driver Tessary.exe scenario work-directory ja|en [screenshots]\n");
        return 2;
    }
    const std::wstring scenarioPath = WindowsPath(argv[2]);
    const std::string name = Narrow(scenarioPath.substr(scenarioPath.find_last_of(L'\\') + 1)) + " (" + Narrow(argv[4]) + ")";
    std::ifstream scenario(scenarioPath.c_str());
    if (!scenario) {
        std::fprintf(stderr, "cannot read %s\n", Narrow(scenarioPath).c_str());
        return 2;
    }
    // On Windows a scenario that cannot run here is reported as skipped
    // (ctest's SKIP_RETURN_CODE); under Wine the test prefix always allows it,
    // and a wrong language is a failure.
    constexpr int Skipped = 77;
    const bool japanese = std::wstring(argv[4]) == L"ja";
    wchar_t disposable[8] = {};
    GetEnvironmentVariableW(L"TESSARY_E2E_DISPOSABLE_MACHINE", disposable, 8);
    if (!UnderWine() && std::wstring(disposable) != L"1") {
        std::printf("SKIP %s: refusing to change this machine's overlay key; set TESSARY_E2E_DISPOSABLE_MACHINE=1 "
                    "only on a machine that may lose it\n", name.c_str());
        return Skipped;
    }
    if (!UnderWine() && (GetUserDefaultUILanguage() == tessary::JapaneseLanguageId) != japanese) {
        std::printf("SKIP %s: Tessary shows its %s interface only when the display language of Windows is %s\n",
                    name.c_str(), japanese ? "Japanese" : "English", japanese ? "Japanese" : "not Japanese");
        return Skipped;
    }
    try {
        Driver driver(WindowsPath(argv[1]), WindowsPath(argv[3]), japanese,
                      argc > 5 ? WindowsPath(argv[5]) : L"");
        driver.Run(scenario, scenarioPath);
    } catch (const Failure& failure) {
        std::printf("FAIL %s: %s\n", name.c_str(), failure.what());
        return 1;
    }
    std::printf("PASS %s\n", name.c_str());
    return 0;
}
