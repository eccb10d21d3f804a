// The viewer's document: a read-through copy of the whole Corvane Log, one entry object per log entry,
// rebuilt from the driver on every load, with the list's sort state and the log commands that change the log.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <vector>

#include "log/log_entry.h"

namespace kestrav {

class CEventViewerView;

// One entry as the driver returned it; every text shown, sorted by or exported is derived from it on demand.
class CEventLogEntry {
public:
    explicit CEventLogEntry(const LogEntry& entry) : m_entry(entry) {}
    LogEntry m_entry;
};

class CEventViewerDoc : public QObject {
    Q_OBJECT

public:
    explicit CEventViewerDoc(QObject* parent = nullptr);
    ~CEventViewerDoc() override;

    // Reads the whole log into new entry objects and refreshes the views. False when nothing was loaded; the
    // user has then been told why.
    bool LoadLog();
    void DeleteContents();
    // Disables every view and empties its list.
    bool ClearViews();
    void UpdateAllViews();

    void AddView(CEventViewerView* view);
    std::vector<CEventViewerView*> Views() const;

    // Puts one row per entry, in the document's order, into the view's list and selects the last one.
    void FillList(CEventViewerView& view);
    // Marks the eligible selected entries repaired and re-reads them; tells the user about the others.
    bool MarkSelectedRepaired(CEventViewerView& view);

    void OnExportLog();
    void OnClearAllEntries();
    void OnAddMaintenanceNote();
    bool ClearLogAsUser();

    enum class ExportResult { Written, OpenFailed, WriteFailed };
    // Writes the CSV header and one line per entry, in the document's order (not the list's), replacing any
    // older content of the file.
    ExportResult WriteExport(const QString& fileName) const;

    std::vector<std::unique_ptr<CEventLogEntry>> m_entries;
    int32_t m_bSortAscending = 0;
    int32_t m_nSortColumn = 1;
    int64_t m_nEntryCount = 0;

signals:
    // Emitted before entry objects are destroyed: rows that refer to them must go first.
    void contentsDeleting();
    void viewsCleared();
    void updated();

private:
    std::vector<QPointer<CEventViewerView>> views_;
};

} // namespace kestrav
