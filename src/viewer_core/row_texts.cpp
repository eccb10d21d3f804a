// The copied rows and the hex dump.
#include "viewer_core/row_texts.h"

#include <algorithm>
#include <cstdio>

#include "decode/event_text.h"
#include "record/log_entry.h"
#include "viewer_core/list_order.h"
#include "viewer_core/viewer_document.h"

namespace kestrav {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, uint8_t byte) {
    out.push_back(HexDigits[byte >> 4]);
    out.push_back(HexDigits[byte & 0xF]);
}

} // namespace

std::string CopyText(const std::vector<CEventLogEntry*>& rows) {
    std::string out;
    char cell[DescriptionBufferSize];
    for (const CEventLogEntry* row : rows) {
        for (int column = 0; column < ListColumnCount; ++column) {
            if (column > 0) {
                out.push_back('\t');
            }
            FormatCellText(row->m_entry, column, cell);
            out.append(cell);
        }
        out.push_back('\n');
    }
    return out;
}

std::string HexDump(std::span<const uint8_t> bytes) {
    std::string out;
    for (size_t offset = 0; offset < bytes.size(); offset += HexDumpBytesPerLine) {
        const std::span<const uint8_t> line =
            bytes.subspan(offset, std::min(HexDumpBytesPerLine, bytes.size() - offset));
        char prefix[8]; // four digits: the event data of an entry is far below 64 KiB
        std::snprintf(prefix, sizeof prefix, "%04X ", static_cast<unsigned>(offset & 0xFFFF));
        out.append(prefix);
        for (size_t i = 0; i < HexDumpBytesPerLine; ++i) {
            out.push_back(' ');
            if (i == HexDumpBytesPerLine / 2) {
                out.push_back(' ');
            }
            if (i < line.size()) {
                AppendHexByte(out, line[i]);
            } else {
                out.append("  ");
            }
        }
        out.append("  ");
        for (uint8_t byte : line) {
            out.push_back(byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '.');
        }
        out.push_back('\n');
    }
    return out;
}

} // namespace kestrav
