// The list of the Windows window: a report-style "SysListView32" control with seven columns and one row per
// entry object (the row's item data). Texts and icons are produced when the control asks for them; clicking
// a heading sorts by that column, the sort state living in the document, and the heading shows it. A filter
// decides which of the rows the control holds; the view keeps every row of the fill and their order.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "viewer_core/row_filter.h"
#include "viewer_core/viewer_document.h"

namespace kestrav::win32 {

class CEventViewerView final : public EntryList {
public:
    explicit CEventViewerView(CEventViewerDoc& document);
    ~CEventViewerView() override;
    CEventViewerView(const CEventViewerView&) = delete;
    CEventViewerView& operator=(const CEventViewerView&) = delete;

    // Makes the control as a child of parent, with its columns and the severity icons, and attaches it to
    // the document; false when the control or its icons cannot be made.
    bool Create(HWND parent, HINSTANCE module);
    // Detaches from the document and destroys the control and the icons.
    void Destroy();

    HWND Handle() const { return list_; }
    CEventViewerDoc* GetDocument() const { return document_; }

    // A notification of the control, passed on by the frame; true when handled, with its result.
    bool OnNotify(const NMHDR& header, LRESULT& result);

    // The list control's side of the document.
    void SetRows(const std::vector<CEventLogEntry*>& rows) override;
    void SelectOnly(size_t row) override;
    std::vector<CEventLogEntry*> SelectedEntries() const override;
    size_t SelectedCount() const override;
    void Sort(int column, bool ascending) override;
    void SetEnabled(bool enabled) override;

    // Shows only the rows that pass; selected rows that stay shown stay selected.
    void SetFilter(RowFilter filter);
    ListFilter& Filter() { return filter_; }
    // Every row of the fill, and the rows the control holds.
    size_t AllRowCount() const { return filter_.Rows().size(); }
    size_t ShownRowCount() const;
    // Counts the fills, so that a window can tell when the rows were replaced.
    unsigned FillCount() const { return fills_; }
    // The entry of the focused row; nullptr when no row has the focus.
    CEventLogEntry* FocusedEntry() const;

private:
    void OnGetDispInfo(NMLVDISPINFOW& info);
    void OnColumnClick(const NMLISTVIEW& info);
    // The sub-item number of the column at a position, as the control holds it.
    int ColumnSubItem(int position) const;
    CEventLogEntry* EntryAt(int row) const;
    // Puts these rows into the control in this order.
    void FillControl(const std::vector<uint32_t>& positions);
    void ShowSortArrow(int column, bool ascending);

    CEventViewerDoc* document_;
    HWND list_ = nullptr;
    HIMAGELIST m_imageList = nullptr;
    ListFilter filter_;
    std::vector<uint32_t> order_; // positions of filter_.Rows() in the list's order
    unsigned fills_ = 0;
};

} // namespace kestrav::win32
