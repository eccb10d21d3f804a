// Unrecoverable system error (class 20) and non-volatile memory (class 42) descriptions, checked whole
// through the dispatcher.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "decode/describe.h"
#include "decode/event_text.h"
#include "record/log_entry.h"

namespace kestrav::test {
namespace {

constexpr uint16_t kSystemError = 20;
constexpr uint16_t kNvMemory = 42;

struct HexCase {
    uint16_t code;
    std::string head; // hex bytes from offset 0 ("1B 00 07")
    std::string text; // placed right after head, without its terminator
    std::string expected;
};

std::vector<uint8_t> Area(const HexCase& c) {
    std::vector<uint8_t> area(EventDataSize, 0);
    size_t at = 0;
    for (size_t i = 0; i + 1 < c.head.size(); i += 3) {
        area[at++] = static_cast<uint8_t>(std::stoul(c.head.substr(i, 2), nullptr, 16));
    }
    for (char ch : c.text) {
        if (at < area.size()) {
            area[at++] = static_cast<uint8_t>(ch);
        }
    }
    return area;
}

void Check(uint16_t eventClass, const std::vector<HexCase>& cases) {
    for (const HexCase& c : cases) {
        EXPECT_EQ(Describe(eventClass, c.code, Area(c)), c.expected)
            << "code " << c.code << ", text '" << c.text << "'";
    }
}

TEST(SystemErrorEvent, DescribesEveryCode) {
    Check(kSystemError,
          {
              {1, "1B 00 00 00", "", "An Unrecoverable System Error (NMI) has occurred"},
              {2, "", "", "An Unrecoverable System Error (BINIT) has occurred"},
              {3, "1B 00 00 00 07 00 00 00", "",
               "An Unrecoverable System Error (NMI) has occurred (ASR timeout NMI, Service Information: "
               "0x0000001B, 0x00000007)"},
              {3, "29 10 00 80 EF BE AD DE", "",
               "An Unrecoverable System Error (NMI) has occurred (Brix NMI messaging, Service Information: "
               "0x80001029, 0xDEADBEEF)"},
              {3, "2B FF FF FF 00 00 00 00", "",
               "An Unrecoverable System Error (NMI) has occurred (Brix application watchdog timeout NMI, "
               "Service Information: 0xFFFFFF2B, 0x00000000)"},
              {3, "2A 00 00 00 00 00 00 00", "",
               "An Unrecoverable System Error (NMI) has occurred (Service Information: 0x0000002A, "
               "0x00000000)"},
              {3, "05 00 00 00 00 00 00 00", "",
               "An Unrecoverable System Error (NMI) has occurred (Service Information: 0x00000005, "
               "0x00000000)"},
              // The low byte of service word 1 alone names the source.
              {3, "1B 01 00 00 0A 00 00 00", "",
               "An Unrecoverable System Error (NMI) has occurred (ASR timeout NMI, Service Information: "
               "0x0000011B, 0x0000000A)"},
              {4, "00 00 00 00 00 00 00 00", "",
               "Uncorrectable Chipset Error (Error status 1 0x00000000, Error status 2 0x00000000)"},
              {4, "78 56 34 12 FF FF FF FF", "",
               "Uncorrectable Chipset Error (Error status 1 0x12345678, Error status 2 0xFFFFFFFF)"},
              {5, "", "",
               "Unrecoverable System Error (NMI) has occurred.  System Firmware will log additional details "
               "in a separate CVR entry if possible"},
              {6, "", "", "Corrupted Data Detected.  Refer to previous events to determine the source"},
              {7, "", "", "Server Critical Fault (Service Information: )"},
              {7, "", "PSU 2 fault 0x1F", "Server Critical Fault (Service Information: PSU 2 fault 0x1F)"},
              {7, "", "100% load, %s %n", "Server Critical Fault (Service Information: 100% load, %s %n)"},
              // A text that fills the event data without a terminator ends at the end of the area.
              {7, "", std::string(EventDataSize + 10, 'x'),
               "Server Critical Fault (Service Information: " + std::string(EventDataSize, 'x') + ")"},
          });
}

TEST(SystemErrorEvent, LeavesUnknownCodesToTheFallback) {
    Check(kSystemError, {
                            {0, "01 02 03", "", "Unknown Event (Class 0x14, Code 0x00)"},
                            {8, "01 02 03", "", "Unknown Event (Class 0x14, Code 0x08)"},
                            {0x103, "1B", "", "Unknown Event (Class 0x14, Code 0x103)"},
                            {0xFFFF, "", "", "Unknown Event (Class 0x14, Code 0xFFFF)"},
                        });
}

const char kBackup[] = "). Persistent data backup failed and data is not available. Action: Replace the "
                       "NVDIMM if issue persists.";
const char kRestore[] =
    "). Persistent data restore failed and data is not available. Action: Replace the NVDIMM.";
const char kFailure[] =
    "). Non-volatile memory device has failed and requires replacement. Action: Replace the NVDIMM.";

TEST(NvMemoryEvent, DescribesEveryCode) {
    const std::string where = " (Processor 2, Memory Module 5, Serial Number NV123456";
    Check(kNvMemory,
          {
              {1, "01 02 05", "NV123456", "NVDIMM Error - Backup Error" + where + kBackup},
              {2, "01 02 05 03", "NV123456",
               "NVDIMM Error - Restore Error (Processor 2, Memory Module 5, Retry count 3, Serial Number "
               "NV123456" +
                   std::string(kRestore)},
              {3, "01 02 05", "NV123456", "NVDIMM Error - Memory Failure" + where + kFailure},
              {4, "01 02 05", "NV123456",
               "NVDIMM Error - Uncorrectable Memory Error" + where +
                   "). The NVDIMM will not be available to the operating system. Action: Replace the failed "
                   "NVDIMM to restore the full amount of memory."},
              {5, "01 02 05", "NV123456",
               "NVDIMM Error - Backup Power Not Available" + where +
                   "). Unable to charge backup power for non-volatile memory. The memory device is operating "
                   "as volatile memory."},
              {6, "01 02 05", "NV123456",
               "NVDIMM Error - NVDIMM Controller Error" + where +
                   "). An error was found with the NVDIMM controller. The OS will not use the NVDIMM. "
                   "Action: Update the NVDIMM firmware. If issue persists, replace the NVDIMM."},
              {7, "01 02 05", "NV123456",
               "NVDIMM Error - Charge Error" + where +
                   "). Incomplete charging of backup power for non-volatile memory is preventing successful "
                   "backup operation. The memory device is not usable."},
              {9, "01 02 05", "NV123456",
               "NVDIMM Error - Erase Error" + where +
                   "). The NVDIMM could not be erased and future backup operations are not possible. Action: "
                   "Save the NVDIMM contents to other media to preserve data and replace the NVDIMM."},
              {10, "01 02 05 0C", "NV123456",
               "NVDIMM Error - Erase Retry Above Threshold (Processor 2, Memory Module 5, Retry count 12, "
               "Serial Number NV123456). A non-volatile memory erase retry has occurred. Non-volatile memory "
               "health is declining."},
              {11, "01 02 05", "NV123456",
               "NVDIMM Error - Backup Power Error" + where +
                   "). Backup power is not available and a future backup is not possible. Action: Ensure "
                   "backup power is available. Re-seat NVDIMM if power is available."},
              {12, "01 02 05", "NV123456",
               "NVDIMM Error - Arm Error" + where +
                   "). The NVDIMM could not be armed and future backups are not possible. Action: Save the "
                   "NVDIMM contents to other media to preserve data and replace the NVDIMM."},
              {13, "01 02 05", "NV123456",
               "NVDIMM Error - Firmware Corruption" + where +
                   "). The NVDIMM controller firmware has been corrupted. The OS will not use the NVDIMM. "
                   "Action: Re-program the firmware to restore NVDIMM functionality."},
          });
}

// Location word, numbers and the serial suffix: absent when its first byte is 0, cut after 8 characters.
TEST(NvMemoryEvent, NamesTheModule) {
    Check(
        kNvMemory,
        {
            {1, "01 02 05", "ABCDEFGHI",
             "NVDIMM Error - Backup Error (Processor 2, Memory Module 5, Serial Number ABCDEFGH" +
                 std::string(kBackup)},
            {1, "00 00 00", "",
             "NVDIMM Error - Backup Error (Board 0, Memory Module 0" + std::string(kBackup)},
            {1, "00 FF FF 00", "XYZ",
             "NVDIMM Error - Backup Error (Board 255, Memory Module 255" + std::string(kBackup)},
            {1, "01 01 01", "A",
             "NVDIMM Error - Backup Error (Processor 1, Memory Module 1, Serial Number A" +
                 std::string(kBackup)},
            {3, "02 01 04", "",
             "NVDIMM Error - Memory Failure (Board/CPU 1, Memory Module 4" + std::string(kFailure)},
            {3, "FF 01 04", "",
             "NVDIMM Error - Memory Failure (Board/CPU 1, Memory Module 4" + std::string(kFailure)},
            {3, "00 03 0C", " lead",
             "NVDIMM Error - Memory Failure (Board 3, Memory Module 12, Serial Number  lead" +
                 std::string(kFailure)},
            // A serial number running unterminated to the end of the event data is cut the same way.
            {3, "00 01 02", std::string(EventDataSize, 'Q'),
             "NVDIMM Error - Memory Failure (Board 1, Memory Module 2, Serial Number QQQQQQQQ" +
                 std::string(kFailure)},
            {2, "00 01 03 04 00", "",
             "NVDIMM Error - Restore Error (Board 1, Memory Module 3, Retry count 4" + std::string(kRestore)},
            {2, "00 01 03 FF", "0123456789",
             "NVDIMM Error - Restore Error (Board 1, Memory Module 3, Retry count 255, Serial Number "
             "01234567" +
                 std::string(kRestore)},
            {2, "00 01 03 00", "S",
             "NVDIMM Error - Restore Error (Board 1, Memory Module 3, Retry count 0, Serial Number S" +
                 std::string(kRestore)},
            {10, "07 00 01 02", "",
             "NVDIMM Error - Erase Retry Above Threshold (Board/CPU 0, Memory Module 1, Retry count 2). A "
             "non-volatile memory erase retry has occurred. Non-volatile memory health is declining."},
        });
}

TEST(NvMemoryEvent, LeavesUnknownCodesToTheFallback) {
    Check(kNvMemory, {
                         {0, "01 02 05", "NV123456", "Unknown Event (Class 0x2A, Code 0x00)"},
                         {8, "01 02 05", "NV123456", "Unknown Event (Class 0x2A, Code 0x08)"},
                         {14, "01 02 05", "NV123456", "Unknown Event (Class 0x2A, Code 0x0E)"},
                         {0x101, "01 02 05", "NV123456", "Unknown Event (Class 0x2A, Code 0x101)"},
                     });
}

// Only the power decoder reads the event-data length: an entry whose Length points past the event data, or
// wraps below the header, describes the same.
TEST(NvMemoryEvent, IgnoresTheEntryLength) {
    const HexCase nv = {4, "01 00 03", "NVX00017", ""};
    const HexCase nmi = {3, "2B 00 00 00 01 00 00 00", "", ""};
    LogEntry nvEntry;
    nvEntry.SetClass(kNvMemory);
    nvEntry.SetCode(nv.code);
    std::vector<uint8_t> area = Area(nv);
    std::copy(area.begin(), area.end(), nvEntry.EventData());
    LogEntry nmiEntry;
    nmiEntry.SetClass(kSystemError);
    nmiEntry.SetCode(nmi.code);
    area = Area(nmi);
    std::copy(area.begin(), area.end(), nmiEntry.EventData());
    for (uint16_t length : {0, 20, 28, 31, 256, 300, 0xFFFF}) {
        char buffer[DescriptionBufferSize];
        nvEntry.SetLength(length);
        FormatEntryDescription(nvEntry, buffer);
        EXPECT_EQ(std::string(buffer),
                  "NVDIMM Error - Uncorrectable Memory Error (Processor 0, Memory Module 3, Serial Number "
                  "NVX00017). The NVDIMM will not be available to the operating system. Action: Replace the "
                  "failed NVDIMM to restore the full amount of memory.")
            << "Length " << length;
        nmiEntry.SetLength(length);
        FormatEntryDescription(nmiEntry, buffer);
        EXPECT_EQ(std::string(buffer), "An Unrecoverable System Error (NMI) has occurred (Brix application "
                                       "watchdog timeout NMI, Service Information: 0x0000002B, 0x00000001)")
            << "Length " << length;
    }
}

} // namespace
} // namespace kestrav::test
