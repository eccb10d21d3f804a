#include "emulator/device/store_sql.h"

namespace kestrav::emulator {

bool StepDone(sqlite3_stmt* statement) {
    if (statement == nullptr) {
        return false;
    }
    int rc = sqlite3_step(statement);
    while (rc == SQLITE_ROW) {
        rc = sqlite3_step(statement);
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return rc == SQLITE_DONE;
}

void SettingsFromRow(sqlite3_stmt* statement, int first, DeviceSettings& settings) {
    settings.supported = sqlite3_column_int(statement, first) != 0;
    settings.faults.requestsFail = sqlite3_column_int(statement, first + 1) != 0;
    settings.faults.eraseRefused = sqlite3_column_int(statement, first + 2) != 0;
    settings.faults.writeStatus = static_cast<uint8_t>(sqlite3_column_int(statement, first + 3));
    settings.faults.rawRecords = sqlite3_column_int(statement, first + 4) != 0;
}

} // namespace kestrav::emulator
