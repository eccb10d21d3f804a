// The list of the Windows window: a report-style "SysListView32" control with seven columns that holds no
// rows of its own, only their number and each row's state (selected, focused). The view keeps every row of
// the fill, their order and the rows a filter lets through; the control asks it for each text and icon it
// draws. Clicking a heading sorts by that column, the sort state living in the document, and the heading
// shows it. Since the control keeps a row's state by its place, a sort or a filter carries the selection and
// the focus from the entries' old places to their new ones.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "viewer_core/row_filter.h"
#include "viewer_core/viewer_document.h"

namespace kestrav::win32 {

class CEventViewerView final : public EntryList {
public:
    explicit CEventViewerView(CEventViewerDoc& document);
    ~CEventViewerView() override;
    CEventViewerView(const CEventViewerView&) = delete;
    CEventViewerView& operator=(const CEventViewerView&) = delete;

    // Makes the control as a child of parent, with its columns, font and severity icons for a display of
    // dpi dots per inch, and attaches it to the document; false when the control or its icons cannot be
    // made.
    bool Create(HWND parent, HINSTANCE module, int dpi);
    // The window moved to a display of another resolution: the columns keep their widths in inches, and
    // the font and the icons are those of the new resolution.
    void SetDpi(int dpi);
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
    // The selected rows and the focused one, by their positions in the fill.
    struct Selection {
        std::vector<uint8_t> selected; // one flag per position
        size_t selectedCount = 0;
        int64_t focused = -1;
    };

    void OnGetDispInfo(NMLVDISPINFOW& info);
    void OnColumnClick(const NMLISTVIEW& info);
    // The row that a search of the control (typing to find) asks for, or -1.
    int FindRow(const NMLVFINDITEMW& find) const;
    // The sub-item number of the column at a position, as the control holds it.
    int ColumnSubItem(int position) const;
    CEventLogEntry* EntryAt(int row) const;
    // The rows shown, in this order: the control's count, nothing selected, at the top of the list.
    void ShowRows(std::vector<uint32_t> positions);
    Selection KeepSelection() const;
    // Selects and focuses the rows of the kept positions that are shown, without notifying the frame row by
    // row.
    void RestoreSelection(const Selection& kept);
    // Scrolls the list back so that this row is the first visible one again.
    void KeepTopRow(int top);
    void ShowSortArrow(int column, bool ascending);
    // The severity icons and the font for dpi, given to the control; false when the icons cannot be made.
    bool ApplyDpi(int dpi);

    CEventViewerDoc* document_;
    HWND list_ = nullptr;
    HIMAGELIST m_imageList = nullptr;
    HINSTANCE module_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    ListFilter filter_;
    std::vector<uint32_t> order_; // positions of filter_.Rows() in the list's order
    std::vector<uint32_t> shown_; // the positions of the rows shown, in the list's order: row i is shown_[i]
    unsigned fills_ = 0;
    bool restoring_ = false;
};

} // namespace kestrav::win32
