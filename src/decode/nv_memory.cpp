// Descriptions of non-volatile memory (NVDIMM) errors: where the module sits, its number, a retry count for
// the restore and erase retry events, the module's serial number when the event carries one, and what to do.
#include "decode/decoders.h"
#include "decode/formatters.h"

namespace kestrav {

namespace {

// Event-data byte 0: the module sits on a board (0) or at a processor (1); other values name neither.
const char* LocationWord(uint8_t kind) {
    switch (kind) {
    case 0: return "Board";
    case 1: return "Processor";
    default: return "Board/CPU";
    }
}

// ", Serial Number <up to 8 characters>" when the serial number at offset is present, otherwise empty. The
// firmware stores at most eight characters and need not terminate them, so the text is cut there.
const char* SerialSuffix(const EventData& data, size_t offset, std::span<char> out) {
    if (data.Byte(offset) == 0) {
        return "";
    }
    return FormatInto(out, ", Serial Number %.8s", data.Text(offset));
}

} // namespace

void FormatNvMemoryEvent(uint16_t code, const EventData& data, Writer& out) {
    const char* loc = LocationWord(data.Byte(0));
    unsigned b1 = data.Byte(1);
    unsigned b2 = data.Byte(2);
    unsigned retries = data.Byte(3);
    // Byte 3 is the retry count for the two retry events, which move the serial number one byte on.
    bool withRetries = code == 2 || code == 10;
    char serialText[ScratchSize];
    const char* serial = SerialSuffix(data, withRetries ? 4 : 3, serialText);
    switch (code) {
    case 1:
        out.Format(
            "NVDIMM Error - Backup Error (%s %u, Memory Module %u%s). Persistent data backup failed and data "
            "is not available. Action: Replace the NVDIMM if issue persists.",
            loc, b1, b2, serial);
        break;
    case 2:
        out.Format("NVDIMM Error - Restore Error (%s %u, Memory Module %u, Retry count %u%s). Persistent "
                   "data restore "
                   "failed and data is not available. Action: Replace the NVDIMM.",
                   loc, b1, b2, retries, serial);
        break;
    case 3:
        out.Format("NVDIMM Error - Memory Failure (%s %u, Memory Module %u%s). Non-volatile memory device "
                   "has failed "
                   "and requires replacement. Action: Replace the NVDIMM.",
                   loc, b1, b2, serial);
        break;
    case 4:
        out.Format(
            "NVDIMM Error - Uncorrectable Memory Error (%s %u, Memory Module %u%s). The NVDIMM will not be "
            "available to the operating system. Action: Replace the failed NVDIMM to restore the full amount "
            "of memory.",
            loc, b1, b2, serial);
        break;
    case 5:
        out.Format(
            "NVDIMM Error - Backup Power Not Available (%s %u, Memory Module %u%s). Unable to charge backup "
            "power for non-volatile memory. The memory device is operating as volatile memory.",
            loc, b1, b2, serial);
        break;
    case 6:
        out.Format(
            "NVDIMM Error - NVDIMM Controller Error (%s %u, Memory Module %u%s). An error was found with the "
            "NVDIMM controller. The OS will not use the NVDIMM. Action: Update the NVDIMM firmware. If issue "
            "persists, replace the NVDIMM.",
            loc, b1, b2, serial);
        break;
    case 7:
        out.Format(
            "NVDIMM Error - Charge Error (%s %u, Memory Module %u%s). Incomplete charging of backup power "
            "for "
            "non-volatile memory is preventing successful backup operation. The memory device is not usable.",
            loc, b1, b2, serial);
        break;
    case 9:
        out.Format(
            "NVDIMM Error - Erase Error (%s %u, Memory Module %u%s). The NVDIMM could not be erased and "
            "future "
            "backup operations are not possible. Action: Save the NVDIMM contents to other media to preserve "
            "data and replace the NVDIMM.",
            loc, b1, b2, serial);
        break;
    case 10:
        out.Format(
            "NVDIMM Error - Erase Retry Above Threshold (%s %u, Memory Module %u, Retry count %u%s). A "
            "non-volatile memory erase retry has occurred. Non-volatile memory health is declining.",
            loc, b1, b2, retries, serial);
        break;
    case 11:
        out.Format(
            "NVDIMM Error - Backup Power Error (%s %u, Memory Module %u%s). Backup power is not available "
            "and "
            "a future backup is not possible. Action: Ensure backup power is available. Re-seat NVDIMM if "
            "power is available.",
            loc, b1, b2, serial);
        break;
    case 12:
        out.Format(
            "NVDIMM Error - Arm Error (%s %u, Memory Module %u%s). The NVDIMM could not be armed and future "
            "backups are not possible. Action: Save the NVDIMM contents to other media to preserve data and "
            "replace the NVDIMM.",
            loc, b1, b2, serial);
        break;
    case 13:
        out.Format(
            "NVDIMM Error - Firmware Corruption (%s %u, Memory Module %u%s). The NVDIMM controller firmware "
            "has been corrupted. The OS will not use the NVDIMM. Action: Re-program the firmware to restore "
            "NVDIMM functionality.",
            loc, b1, b2, serial);
        break;
    }
}

} // namespace kestrav
