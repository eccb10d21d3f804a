// The resources of the built kestrav.exe that Windows itself reads: the version information Explorer and
// installers show, the manifest (elevation, code page, common controls, the Windows versions it is made
// for), the icon, and the event log's message table with the numbers the program reports.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/event_report.h"

namespace kestrav {
namespace {

std::wstring ProgramPath() {
    std::string path = std::string("Z:") + KESTRAV_BIN_DIR + "/kestrav.exe";
    std::wstring wide;
    for (char c : path) {
        wide.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    }
    return wide;
}

std::string Utf8(const wchar_t* text, int length = -1) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, bytes.data(), size, nullptr, nullptr);
    if (length < 0 && !bytes.empty()) {
        bytes.pop_back();
    }
    return bytes;
}

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << "error " << GetLastError();
    }
    void TearDown() override {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }

    std::string Resource(LPCWSTR type, LPCWSTR name) const {
        HRSRC found = FindResourceW(module_, name, type);
        if (found == nullptr) {
            return std::string();
        }
        const char* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
        return std::string(data, SizeofResource(module_, found));
    }

    HMODULE module_ = nullptr;
};

TEST_F(ProgramResources, VersionInformationIsComplete) {
    const std::wstring path = ProgramPath();
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    const std::string version = KESTRAV_VERSION ".0.0";
    const struct {
        const wchar_t* name;
        std::string expected; // empty: any text that is not empty
    } values[] = {
        {L"CompanyName", ""},
        {L"ProductName", "Kestrav"},
        {L"FileDescription", "Corvane Log Viewer"},
        {L"LegalCopyright", ""},
        {L"FileVersion", version},
        {L"ProductVersion", version},
        {L"OriginalFilename", "kestrav.exe"},
        {L"InternalName", "kestrav"},
    };
    for (const auto& value : values) {
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + value.name;
        wchar_t* text = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length))
            << Utf8(value.name);
        std::string found = Utf8(text);
        if (value.expected.empty()) {
            EXPECT_FALSE(found.empty()) << Utf8(value.name);
        } else {
            EXPECT_EQ(found, value.expected) << Utf8(value.name);
        }
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%u.%u.%u.%u", unsigned{HIWORD(fixed->dwFileVersionMS)},
                  unsigned{LOWORD(fixed->dwFileVersionMS)}, unsigned{HIWORD(fixed->dwFileVersionLS)},
                  unsigned{LOWORD(fixed->dwFileVersionLS)});
    EXPECT_EQ(numbers, version);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
}

// The entries Windows acts on, each exactly as it must stand.
TEST_F(ProgramResources, ManifestHoldsEveryEntry) {
    const std::string manifest = Resource(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    const char* const entries[] = {
        R"(<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>)",
        R"(<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>)",
        R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
        R"(publicKeyToken="6595b64144ccf1df")",
        R"(<compatibility xmlns="urn:schemas-microsoft-com:compatibility.v1">)",
        R"(<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>)", // 8.1, Server 2012 R2
        R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)", // 10, 11, Server 2016-2022
        // Each display's own resolution; 8.1 and Server 2012 R2 read the first, later systems the second.
        R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">True/PM</dpiAware>)",
        R"(<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>)",
    };
    for (const char* entry : entries) {
        EXPECT_NE(manifest.find(entry), std::string::npos) << entry;
    }
    size_t supported = 0;
    for (size_t at = manifest.find("<supportedOS"); at != std::string::npos;
         at = manifest.find("<supportedOS", at + 1)) {
        ++supported;
    }
    EXPECT_EQ(supported, 2u);
}

// Icon group 1: 16, 32 and 48 pixels at 32 bits, each a picture the system can make an icon of.
TEST_F(ProgramResources, IconHasEverySize) {
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bits;
        DWORD size;
        WORD id;
    };
#pragma pack(pop)
    const std::string group = Resource(MAKEINTRESOURCEW(14), MAKEINTRESOURCEW(1));
    ASSERT_GE(group.size(), 6u);
    const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
    ASSERT_EQ(count, 3);
    ASSERT_EQ(group.size(), 6 + count * sizeof(GroupEntry));
    const BYTE sizes[] = {16, 32, 48};
    for (WORD i = 0; i < count; ++i) {
        GroupEntry entry;
        std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
        EXPECT_EQ(entry.width, sizes[i]);
        EXPECT_EQ(entry.height, sizes[i]);
        EXPECT_EQ(entry.bits, 32);
        std::string picture = Resource(MAKEINTRESOURCEW(3), MAKEINTRESOURCEW(entry.id));
        ASSERT_EQ(picture.size(), entry.size);
        HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(picture.data()),
                                              static_cast<DWORD>(picture.size()), TRUE, 0x00030000, 0, 0, 0);
        EXPECT_NE(icon, nullptr) << int(sizes[i]);
        DestroyIcon(icon);
    }
}

std::string FormatEvent(HMODULE module, DWORD id, const std::vector<std::wstring>& texts) {
    std::vector<DWORD_PTR> arguments;
    for (const std::wstring& text : texts) {
        arguments.push_back(reinterpret_cast<DWORD_PTR>(text.c_str()));
    }
    wchar_t message[1024] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, id,
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), message, 1024,
                                  reinterpret_cast<va_list*>(arguments.data()));
    return length == 0 ? "(none)" : Utf8(message, static_cast<int>(length));
}

// Every outcome the program reports has its message, and so has every severity of a forwarded entry.
// The list's severity icons, bitmaps 135 to 138: a strip of four pictures of 16, 20, 24 and 32 pixels.
TEST_F(ProgramResources, SeverityIconsAtEverySize) {
    const int sizes[] = {16, 20, 24, 32};
    for (WORD i = 0; i < 4; ++i) {
        const std::string bitmap = Resource(MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(135 + i));
        BITMAPINFOHEADER header{};
        ASSERT_GE(bitmap.size(), sizeof header) << sizes[i];
        std::memcpy(&header, bitmap.data(), sizeof header);
        EXPECT_EQ(header.biWidth, 4 * sizes[i] + 2) << sizes[i];
        EXPECT_EQ(header.biHeight, sizes[i]);
        EXPECT_EQ(header.biBitCount, 24) << sizes[i];
    }
}

TEST_F(ProgramResources, MessageTableHoldsEveryEvent) {
    for (const OutcomeEvent& event : OutcomeEvents) {
        EXPECT_EQ(FormatEvent(module_, event.eventId, {L"Finished the step."}), "Finished the step.\r\n")
            << event.eventId;
    }
    const std::string forwarded =
        ": Power Supply, code 5, updated 12/7/2026 2:05 PM, count 3.\r\nPower supply 2 failed.\r\n";
    const std::string erased = ", erased from the log" + forwarded;
    const struct {
        DWORD id;
        const wchar_t* standing; // %7: erased by a clear, or nothing as the follower reports it
        std::string expected;
    } entries[] = {
        {200, L", erased from the log", "Critical Corvane Log entry 12" + erased},
        {201, L", erased from the log", "Caution Corvane Log entry 12" + erased},
        {202, L", erased from the log", "Repaired Corvane Log entry 12" + erased},
        {203, L", erased from the log", "Informational Corvane Log entry 12" + erased},
        {204, L", erased from the log", "Corvane Log entry 12 of unknown severity" + erased},
        {200, L"", "Critical Corvane Log entry 12" + forwarded},
        {204, L"", "Corvane Log entry 12 of unknown severity" + forwarded},
    };
    for (const auto& entry : entries) {
        EXPECT_EQ(FormatEvent(module_, entry.id,
                              {L"12", L"Power Supply", L"5", L"12/7/2026 2:05 PM", L"3",
                               L"Power supply 2 failed.", entry.standing}),
                  entry.expected)
            << entry.id;
    }
    // The program's table of forwarded entries uses exactly these.
    std::vector<DWORD> used = {EntryEventUnknown.eventId};
    for (const EntryEvent& event : EntryEvents) {
        used.push_back(event.eventId);
    }
    for (DWORD id : used) {
        EXPECT_TRUE(std::any_of(std::begin(entries), std::end(entries), [&](const auto& e) {
            return e.id == id;
        })) << id;
    }
    // Nothing beyond them: a number reported by mistake would show as a missing message.
    EXPECT_EQ(FormatEvent(module_, 99, {L"x"}), "(none)");
    EXPECT_EQ(FormatEvent(module_, 108, {L"x"}), "(none)");
    EXPECT_EQ(
        FormatEvent(module_, EntriesNotForwardedEventId, {L"3", L"1000"}),
        "3 older Corvane Log entries erased from the log were not forwarded; the newest 1000 were.\r\n");
    EXPECT_EQ(FormatEvent(module_, 206, {L"x"}), "(none)");
}

} // namespace
} // namespace kestrav
