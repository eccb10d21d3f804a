// The Windows platform layer under Wine: dates and times in the user's locale (en-US, and ja-JP in the run
// that selects it), the system's error texts, the account name, the string-table language and resources, the
// CSV line with the locale's dates, and the command line's files: shared only for reading, written in binary,
// no stale bytes, and a second run refused while another program holds the status log.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/outcome_texts.h"
#include "cli/query.h"
#include "cli/status_log.h"
#include "decode/event_text.h"
#include "log/log_ops.h"
#include "platform/output_file.h"
#include "platform/system.h"
#include "render/export_line.h"
#include "resources/string_table.h"

namespace kestrav {
namespace {

std::string EntryTimeText(LogTime time) {
    char text[DescriptionBufferSize];
    FormatEntryTime(time, text);
    return text;
}

struct TimeRow {
    LogTime time;
    const char* english;
    const char* japanese;
};

// Date and time are judged separately; dates before 1601 are beyond the system's calendar.
const TimeRow TimeRows[] = {
    {{20, 26, 12, 7, 14, 5}, "12/7/2026 2:05 PM", "2026/12/7 14:05"},
    {{20, 26, 1, 1, 0, 0}, "1/1/2026 12:00 AM", "2026/1/1 0:00"},
    {{20, 24, 2, 29, 23, 59}, "2/29/2024 11:59 PM", "2024/2/29 23:59"},
    {{19, 99, 12, 31, 12, 30}, "12/31/1999 12:30 PM", "1999/12/31 12:30"},
    {{20, 26, 2, 30, 14, 5}, "Invalid: 2/30/2026 2:05 PM", "Invalid: 2/30/2026 14:05"},
    {{20, 25, 2, 29, 14, 5}, "Invalid: 2/29/2025 2:05 PM", "Invalid: 2/29/2025 14:05"},
    {{20, 26, 0, 7, 14, 5}, "Invalid: 0/7/2026 2:05 PM", "Invalid: 0/7/2026 14:05"},
    {{20, 26, 13, 7, 14, 5}, "Invalid: 13/7/2026 2:05 PM", "Invalid: 13/7/2026 14:05"},
    {{20, 26, 12, 0, 14, 5}, "Invalid: 12/0/2026 2:05 PM", "Invalid: 12/0/2026 14:05"},
    {{20, 26, 12, 7, 24, 0}, "12/7/2026 Invalid: 24:0", "2026/12/7 Invalid: 24:0"},
    {{20, 26, 12, 7, 14, 60}, "12/7/2026 Invalid: 14:60", "2026/12/7 Invalid: 14:60"},
    {{255, 255, 255, 255, 255, 255},
     "Invalid: 255/255/25755 Invalid: 255:255",
     "Invalid: 255/255/25755 Invalid: 255:255"},
    {{10, 0, 1, 1, 0, 0}, "Invalid: 1/1/1000 12:00 AM", "Invalid: 1/1/1000 0:00"},
};

bool UserLocaleIs(LANGID language) {
    return PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) == PRIMARYLANGID(language);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

class TempDir {
public:
    TempDir() {
        char name[64];
        std::snprintf(name, sizeof name, "kestrav-test-%lu-%d", GetCurrentProcessId(), counter_++);
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::filesystem::path operator/(const char* name) const { return path_ / name; }

private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

// Runs kestrav.exe with the arguments in the folder and returns its exit code.
DWORD RunKestrav(const std::filesystem::path& folder, const std::string& arguments) {
    std::string program = std::string("Z:") + KESTRAV_BIN_DIR + "/kestrav.exe";
    for (char& c : program) {
        if (c == '/') {
            c = '\\';
        }
    }
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string directory = folder.string();
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start " << program << " (error " << GetLastError() << ")";
        return 0xFFFFFFFF;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST(EnglishLocale, EntryTimes) {
    ASSERT_TRUE(UserLocaleIs(LANG_ENGLISH)) << std::hex << GetUserDefaultLCID();
    for (const TimeRow& row : TimeRows) {
        EXPECT_EQ(EntryTimeText(row.time), row.english);
    }
}

TEST(JapaneseLocale, EntryTimes) {
    ASSERT_TRUE(UserLocaleIs(LANG_JAPANESE)) << std::hex << GetUserDefaultLCID();
    for (const TimeRow& row : TimeRows) {
        EXPECT_EQ(EntryTimeText(row.time), row.japanese);
    }
}

// The system's texts lose their carriage returns, so that the status log's line ends stay "\r\n".
TEST(EnglishLocale, StatusErrorTexts) {
    struct Row {
        uint32_t code;
        const char* text;
    };
    const Row rows[] = {
        {0xE0000002, "No System Management driver is loaded."},
        {2, "File not found.\n"},
        {5, "Access denied.\n"},
        {1167, "The device is not connected.\n"},
        {0xE0000003, "Unknown error: 0xe0000003"},
        {0xFFFF, "Unknown error: 0xffff"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(StatusErrorText(row.code), row.text) << row.code;
    }
    TempDir dir;
    StatusLog log;
    ASSERT_TRUE(OpenStatusLog(log, (dir / "s.log").string()));
    WriteStatusError(log, 5);
    ASSERT_TRUE(CloseStatusLog(log));
    EXPECT_EQ(ReadFile(dir / "s.log"), "   Access denied.\r\n\r\n  \r\n");
}

TEST(JapaneseLocale, TextsFollowTheUserInterfaceLanguage) {
    EXPECT_EQ(CurrentLanguage(), Language::Japanese);
    EXPECT_STREQ(TableText(FinishedText), "完了しました。");
    EXPECT_EQ(StatusErrorText(0xE0000002), "System Management ドライバーが読み込まれていません。");
    EXPECT_EQ(StatusErrorText(5), "アクセスが拒否されました。\n");
    EXPECT_EQ(StatusErrorText(0xE0000003), "不明なエラー: 0xe0000003");
}

// --help describes this program: the Windows ways to stop the follower and to run unattended, none of the
// Linux ones; lines that fit a console.
TEST(EnglishLocale, HelpDescribesTheWindowsProgram) {
    const std::string help = QueryHelpText();
    for (const char* present :
         {"Ctrl+C", "Application event log", "schtasks", "kestrav-task.xml", "--follow"}) {
        EXPECT_NE(help.find(present), std::string::npos) << present;
    }
    for (const char* absent :
         {"--journal", "SIGTERM", "SIGINT", "node_exporter", "ZORHLTH_DEVICE", "/var/lib"}) {
        EXPECT_EQ(help.find(absent), std::string::npos) << absent;
    }
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 80u) << line;
    }
}

TEST(EnglishLocale, TextsFollowTheUserInterfaceLanguage) {
    EXPECT_EQ(CurrentLanguage(), Language::English);
    EXPECT_STREQ(TableText(FinishedText), "Finished!");
}

// The string table in the program's resources holds exactly the program's own texts, in both languages.
TEST(Resources, StringTableMatchesTheProgramsTexts) {
    HMODULE module = GetModuleHandleA(nullptr);
    const struct {
        Language language;
        WORD langId;
    } languages[] = {{Language::English, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)},
                     {Language::Japanese, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)}};
    for (const auto& language : languages) {
        size_t compared = 0;
        for (uint32_t block = 0; block < 4096; ++block) {
            HRSRC found =
                FindResourceExA(module, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(block + 1), language.langId);
            const WCHAR* texts = nullptr;
            if (found != nullptr) {
                texts = static_cast<const WCHAR*>(LockResource(LoadResource(module, found)));
            }
            for (uint32_t i = 0; i < 16; ++i) {
                uint32_t id = block * 16 + i;
                std::string resource;
                if (texts != nullptr) {
                    int length = *texts++;
                    char utf8[1024] = {};
                    WideCharToMultiByte(CP_UTF8, 0, texts, length, utf8, sizeof utf8 - 1, nullptr, nullptr);
                    resource = utf8;
                    texts += length;
                }
                EXPECT_EQ(resource, TableText(id, language.language)) << id;
                compared += resource.empty() ? 0 : 1;
            }
        }
        EXPECT_GT(compared, 30u);
    }
}

const struct {
    Language language;
    WORD langId;
} ResourceLanguages[] = {{Language::English, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)},
                         {Language::Japanese, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)}};

const void* ResourceData(LPCSTR type, WORD id, WORD langId) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), langId);
    return found != nullptr ? LockResource(LoadResource(module, found)) : nullptr;
}

std::string Utf8(const WCHAR* text) {
    char utf8[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
    return utf8;
}

// Menu 128 holds the program's menu texts, in the window's order, in both languages; a separator stands
// before Exit.
TEST(Resources, MenuMatchesTheProgramsTexts) {
    const std::vector<std::vector<uint32_t>> items = {{ExportLogCommand, ClearAllEntriesCommand,
                                                       MarkRepairedCommand, AddMaintenanceNoteCommand, 0,
                                                       ExitCommand},
                                                      {RefreshCommand}};
    for (const auto& language : ResourceLanguages) {
        const void* data = ResourceData(MAKEINTRESOURCEA(4), 128, language.langId);
        ASSERT_NE(data, nullptr) << language.langId;
        HMENU menu = LoadMenuIndirectW(data);
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(MenuCount));
        for (size_t position = 0; position < MenuCount; ++position) {
            WCHAR text[256] = {};
            GetMenuStringW(menu, static_cast<UINT>(position), text, 256, MF_BYPOSITION);
            EXPECT_EQ(Utf8(text), LoadMenuTitle(position, language.language));
            HMENU popup = GetSubMenu(menu, static_cast<int>(position));
            ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(items[position].size()));
            for (size_t item = 0; item < items[position].size(); ++item) {
                const uint32_t command = items[position][item];
                const auto at = static_cast<int>(item);
                if (command == 0) {
                    EXPECT_NE(GetMenuState(popup, static_cast<UINT>(at), MF_BYPOSITION) & MF_SEPARATOR, 0u);
                    continue;
                }
                EXPECT_EQ(GetMenuItemID(popup, at), command);
                GetMenuStringW(popup, static_cast<UINT>(at), text, 256, MF_BYPOSITION);
                EXPECT_EQ(Utf8(text), LoadMenuItemText(command, language.language)) << command;
            }
        }
        DestroyMenu(menu);
    }
}

// Accelerator table 128: Ctrl+L, Alt+R, F5, Ctrl+E, Ctrl+R and Ctrl+M, all virtual keys, in both languages.
TEST(Resources, AcceleratorsAreTheWindowsKeys) {
    struct Key {
        WORD flags;
        WORD key;
        WORD command;
        WORD padding;
    };
    const Key expected[] = {{FVIRTKEY | FCONTROL, 'L', 61210, 0}, {FVIRTKEY | FALT, 'R', 1027, 0},
                            {FVIRTKEY, VK_F5, 1027, 0},           {FVIRTKEY | FCONTROL, 'E', 32786, 0},
                            {FVIRTKEY | FCONTROL, 'R', 32789, 0}, {FVIRTKEY | FCONTROL, 'M', 32799, 0x80}};
    for (const auto& language : ResourceLanguages) {
        const auto* keys = static_cast<const Key*>(ResourceData(MAKEINTRESOURCEA(9), 128, language.langId));
        ASSERT_NE(keys, nullptr) << language.langId;
        for (size_t i = 0; i < std::size(expected); ++i) {
            EXPECT_EQ(keys[i].flags, expected[i].flags | (i + 1 == std::size(expected) ? 0x80 : 0)) << i;
            EXPECT_EQ(keys[i].key, expected[i].key) << i;
            EXPECT_EQ(keys[i].command, expected[i].command) << i;
        }
    }
}

// Dialog 143: its frame, font and controls (ids, classes, styles, places, in tab order) and the program's
// texts, in both languages.
TEST(Resources, NoteDialogMatchesTheProgramsTexts) {
    struct Control {
        WORD id;
        const char* className;
        DWORD style;
        short x, y, cx, cy;
    };
    // The English dialog is laid out as the product has it, with the count of bytes left under the field;
    // the Japanese one is larger, for its longer prompt.
    struct Layout {
        short cx, cy;
        Control controls[5];
    };
    const Layout english = {204,
                            106,
                            {{1053, "Edit", 0x50810044, 7, 30, 188, 45},
                             {1, "Button", 0x50010001, 36, 85, 50, 14},
                             {2, "Button", 0x50010000, 118, 85, 50, 14},
                             {1052, "Static", 0x50020000, 7, 7, 191, 17},
                             {1054, "Static", 0x50000002, 7, 76, 188, 8}}};
    const Layout japanese = {230,
                             120,
                             {{1053, "Edit", 0x50810044, 7, 38, 216, 45},
                              {1, "Button", 0x50010001, 49, 99, 50, 14},
                              {2, "Button", 0x50010000, 131, 99, 50, 14},
                              {1052, "Static", 0x50020000, 7, 7, 216, 26},
                              {1054, "Static", 0x50000002, 7, 86, 216, 8}}};
    const auto readText = [](const WORD*& at) {
        std::wstring text;
        while (*at != 0) {
            text += static_cast<WCHAR>(*at++);
        }
        ++at;
        return text;
    };
    // A class or text: 0xFFFF and a number, or a text.
    const auto readNameOrNumber = [&](const WORD*& at, WORD& number) {
        number = 0;
        if (*at == 0xFFFF) {
            number = at[1];
            at += 2;
            return std::wstring();
        }
        return readText(at);
    };
    for (const auto& language : ResourceLanguages) {
        const auto* dialog =
            static_cast<const BYTE*>(ResourceData(MAKEINTRESOURCEA(5), 143, language.langId));
        ASSERT_NE(dialog, nullptr) << language.langId;
        DLGTEMPLATE frame;
        std::memcpy(&frame, dialog, sizeof frame);
        const Layout& expected = language.language == Language::Japanese ? japanese : english;
        EXPECT_EQ(frame.style, 0x80C800C0u);
        EXPECT_EQ(frame.cdit, std::size(expected.controls));
        EXPECT_EQ(frame.cx, expected.cx);
        EXPECT_EQ(frame.cy, expected.cy);
        const WORD* at = reinterpret_cast<const WORD*>(dialog + 18);
        WORD number = 0;
        EXPECT_TRUE(readNameOrNumber(at, number).empty()); // no menu
        EXPECT_TRUE(readNameOrNumber(at, number).empty()); // the dialog class
        EXPECT_TRUE(readText(at).empty());                 // the caption is set when the dialog opens
        EXPECT_EQ(*at++, 8);
        EXPECT_EQ(Utf8(readText(at).c_str()), "MS Shell Dlg");
        for (const Control& control : expected.controls) {
            const BYTE* item =
                reinterpret_cast<const BYTE*>((reinterpret_cast<uintptr_t>(at) + 3) & ~uintptr_t{3});
            DLGITEMTEMPLATE stored;
            std::memcpy(&stored, item, sizeof stored);
            EXPECT_EQ(stored.id, control.id);
            EXPECT_EQ(stored.style, control.style) << control.id;
            EXPECT_EQ(stored.x, control.x) << control.id;
            EXPECT_EQ(stored.y, control.y) << control.id;
            EXPECT_EQ(stored.cx, control.cx) << control.id;
            EXPECT_EQ(stored.cy, control.cy) << control.id;
            at = reinterpret_cast<const WORD*>(item + 18);
            std::wstring className = readNameOrNumber(at, number);
            const char* atoms[] = {"Button", "Edit", "Static"};
            std::string name =
                number >= 0x80 && number <= 0x82 ? atoms[number - 0x80] : Utf8(className.c_str());
            EXPECT_EQ(_stricmp(name.c_str(), control.className), 0) << control.id << " " << name;
            const std::wstring text = readNameOrNumber(at, number);
            EXPECT_EQ(Utf8(text.c_str()), LoadNoteDialogText(control.id, language.language)) << control.id;
            const WORD extra = *at++;
            at = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(at) + extra);
        }
    }
}

TEST(EnglishLocale, AccountName) {
    char name[32] = "<UNKNOWN USER>";
    ASSERT_TRUE(platform::GetAccountName(name));
    char expected[257] = {};
    DWORD size = sizeof expected;
    ASSERT_TRUE(GetUserNameA(expected, &size));
    EXPECT_STREQ(name, expected);
    // A name that does not fit leaves the buffer as it was.
    char small[3] = "ab";
    if (std::strlen(expected) >= sizeof small) {
        EXPECT_FALSE(platform::GetAccountName(small));
        EXPECT_STREQ(small, "ab");
    }
}

TEST(EnglishLocale, CsvLineWithTheLocalesDates) {
    LogEntry entry = BuildMaintenanceEntry(2, "Replaced fan 3");
    LogTime when{20, 26, 12, 7, 14, 5};
    std::memcpy(entry.bytes + 12, &when, sizeof when);
    std::memcpy(entry.bytes + 18, &when, sizeof when);
    entry.SetEventNumber(0x80000000);
    std::string line;
    AppendCsvLine(line, entry);
    EXPECT_EQ(line, "Informational,-2147483648,Maintenance,2,12/7/2026 2:05 PM,12/7/2026 2:05 PM,1,"
                    "Maintenance note: Replaced fan 3\r\n");
}

TEST(OutputFiles, ReplaceLeavesNoStaleBytesAndWritesBinary) {
    TempDir dir;
    WriteFile(dir / "out.csv", std::string(100000, 'x'));
    OutputFile file;
    ASSERT_TRUE(file.Open((dir / "out.csv").string(), OutputFile::Mode::Replace));
    file.Write("a\r\nb\n");
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(ReadFile(dir / "out.csv"), "a\r\nb\n");
    // The new file was written beside the older one and took its place: nothing else is left.
    size_t files = 0;
    for (const auto& item : std::filesystem::directory_iterator(dir / "")) {
        EXPECT_EQ(item.path().filename(), "out.csv");
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

// While another program writes the older file, an export is refused and the file stays as that program
// leaves it.
TEST(OutputFiles, ExportOfAFileAnotherProgramWritesIsRefused) {
    TempDir dir;
    std::string path = (dir / "out.csv").string();
    HANDLE other = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(other, "theirs", 6, &written, nullptr);
    OutputFile file;
    EXPECT_FALSE(file.Open(path, OutputFile::Mode::Replace));
    EXPECT_FALSE(file.OpenError().empty());
    CloseHandle(other);
    EXPECT_EQ(ReadFile(path), "theirs");
}

TEST(OutputFiles, AppendKeepsTheContentAndWritesAtTheEnd) {
    TempDir dir;
    WriteFile(dir / "s.log", "earlier run\r\n");
    for (int run = 0; run < 2; ++run) {
        StatusLog log;
        ASSERT_TRUE(OpenStatusLog(log, (dir / "s.log").string()));
        WriteStatusLine(log, "run %d", run);
        ASSERT_TRUE(CloseStatusLog(log));
    }
    EXPECT_EQ(ReadFile(dir / "s.log"), "earlier run\r\n   run 0\r\n  \r\n   run 1\r\n  \r\n");
}

// While one writer holds a file, a second writer is refused at once and the content stays whole; readers
// are let in.
TEST(OutputFiles, OtherWritersAreRefused) {
    for (OutputFile::Mode mode : {OutputFile::Mode::Append, OutputFile::Mode::Replace}) {
        TempDir dir;
        std::string path = (dir / "held.txt").string();
        OutputFile holder;
        ASSERT_TRUE(holder.Open(path, mode));
        holder.Write("held\r\n");
        holder.Flush();
        for (OutputFile::Mode second : {OutputFile::Mode::Append, OutputFile::Mode::Replace}) {
            OutputFile other;
            EXPECT_FALSE(other.Open(path, second));
        }
        HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE);
        CloseHandle(reader);
        ASSERT_TRUE(holder.Close());
        EXPECT_EQ(ReadFile(path), "held\r\n");
    }
}

// A second run on a status log that another process holds ends silently, writing nothing; once it is free
// the next run writes its header.
TEST(OutputFiles, RunOnAHeldStatusLogEndsSilently) {
    TempDir dir;
    std::filesystem::path folder = dir / "";
    StatusLog holder;
    ASSERT_TRUE(OpenStatusLog(holder, (dir / "run.log").string()));
    WriteStatusText(holder, "held\n");
    EXPECT_EQ(RunKestrav(folder, "/f:run"), 1u);
    EXPECT_EQ(RunKestrav(folder, "/f:run /export:out"), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.csv"));
    ASSERT_TRUE(CloseStatusLog(holder));
    EXPECT_EQ(ReadFile(dir / "run.log"), "held\r\n  \r\n");

    RunKestrav(folder, "/f:run /bad");
    std::string log = ReadFile(dir / "run.log");
    EXPECT_EQ(log.rfind("held\r\n  \r\nCorvane Log Viewer\r\n", 0), 0u) << log;
}

} // namespace
} // namespace kestrav
