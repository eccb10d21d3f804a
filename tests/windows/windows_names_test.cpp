// Which names reach a device rather than a file on a disk: an export or status log is never written there.
#include <gtest/gtest.h>

#include <string>

#include "platform/windows_names.h"

namespace kestrav {
namespace {

struct NameRow {
    const wchar_t* name;
    bool device;
};

const NameRow NameRows[] = {
    // Reserved names in any case, with an extension, a folder, trailing dots or blanks, a stream or a drive.
    {L"NUL", true},
    {L"nul", true},
    {L"Con", true},
    {L"AUX.csv", true},
    {L"prn.log", true},
    {L"NUL.csv", true},
    {L"CON.tar.gz", true},
    {L"folder\\COM1", true},
    {L"C:\\exports\\lpt9.csv", true},
    {L"C:/exports/Com3.csv", true},
    {L"\\\\server\\share\\NUL", true},
    {L"NUL.", true},
    {L"NUL...", true},
    {L"NUL  ", true},
    {L"CON .txt", true},
    {L"AUX:stream", true},
    {L"C:NUL", true},
    {L"COM\u00B9", true},
    {L"lpt\u00B3.csv", true},
    {L"CONIN$", true},
    {L"conout$.log", true},
    // Device namespaces.
    {L"\\\\.\\ZorHlth", true},
    {L"\\\\.\\C:", true},
    {L"//./PhysicalDrive0", true},
    {L"\\\\?\\GLOBALROOT\\Device\\Null", true},
    {L"\\\\?\\globalroot\\Device\\HarddiskVolume1\\x.csv", true},
    {L"\\??\\C:\\x.csv", true},
    {L"\\\\?\\pipe\\x", true},
    // Files: near misses of the reserved names, and the disk forms of the long and UNC paths.
    {L"COM0", false},
    {L"COM10", false},
    {L"LPT", false},
    {L"NULL", false},
    {L"nul_export.csv", false},
    {L"CONSOLE.log", false},
    {L"my NUL.csv", false},
    {L"NUL\\x.csv", false},
    {L"C:\\CON\\x.csv", false},
    {L"kestrav.log", false},
    {L"C:\\exports\\cvr.csv", false},
    {L"\\\\server\\share\\cvr.csv", false},
    {L"\\\\?\\C:\\exports\\cvr.csv", false},
    {L"\\\\?\\UNC\\server\\share\\cvr.csv", false},
    {L"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\cvr.csv", false},
    {L"", false},
};

TEST(DeviceFileNames, ReservedNamesAndNamespacesAreDevices) {
    for (const NameRow& row : NameRows) {
        EXPECT_EQ(IsDeviceFileName(row.name), row.device) << testing::PrintToString(std::wstring(row.name));
    }
}

const NameRow StreamRows[] = {
    {L"x.csv:hidden", true},
    {L"x.csv::$DATA", true},
    {L"C:\\exports\\x.csv:s", true},
    {L"\\\\?\\C:\\exports\\x.csv:s:$DATA", true},
    {L"\\\\?\\UNC\\server\\share\\x.csv:s", true},
    {L"C:x.csv:s", true},
    {L"C:x.csv", false},
    {L"c:\\exports\\x.csv", false},
    {L"\\\\?\\C:\\exports\\x.csv", false},
    {L"\\\\server\\share\\x.csv", false},
    {L"x.csv", false},
};

// A colon other than the drive's names a stream of a file, not a file (the second field: a stream).
TEST(DeviceFileNames, ColonsBeyondTheDriveNameStreams) {
    for (const NameRow& row : StreamRows) {
        EXPECT_EQ(IsStreamName(row.name), row.device) << testing::PrintToString(std::wstring(row.name));
    }
}

} // namespace
} // namespace kestrav
