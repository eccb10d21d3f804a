// The list view: columns, callback rows, the texts and icons on request, the sort through the control.
#include "viewer_win32/event_viewer_view.h"

#include <numeric>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "decode/event_text.h"
#include "resources/string_table.h"
#include "viewer_core/list_order.h"
#include "viewer_win32/win32_resources.h"

namespace kestrav::win32 {

namespace {

// Child, visible, border; the view type is the report.
constexpr DWORD ListStyle = 0x50800000 | LVS_REPORT;
constexpr int IconWidth = 16;
constexpr COLORREF TransparentColour = RGB(255, 0, 255);
// A click anywhere in a row selects the whole row, and the cells are ruled.
constexpr DWORD ListExtendedStyle = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;

// The one text buffer of every display request: the requests come one at a time on the window's thread,
// and the control copies the text before it asks again. A UTF-8 text never has more UTF-16 units than bytes.
wchar_t g_cellText[DescriptionBufferSize];

// The position of each row in the order being made, by its entry object.
using RowRanks = std::unordered_map<const CEventLogEntry*, size_t>;

int CALLBACK CompareRanks(LPARAM a, LPARAM b, LPARAM sort) {
    const auto& ranks = *reinterpret_cast<const RowRanks*>(sort);
    const auto rankA = ranks.find(reinterpret_cast<const CEventLogEntry*>(a));
    const auto rankB = ranks.find(reinterpret_cast<const CEventLogEntry*>(b));
    if (rankA == ranks.end() || rankB == ranks.end()) {
        return 0;
    }
    return (rankA->second > rankB->second) - (rankA->second < rankB->second);
}

} // namespace

CEventViewerView::CEventViewerView(CEventViewerDoc& document) : document_(&document) {}

CEventViewerView::~CEventViewerView() {
    Destroy();
}

bool CEventViewerView::Create(HWND parent, HINSTANCE module) {
    RECT area{};
    GetClientRect(parent, &area);
    list_ = CreateWindowExW(0, WC_LISTVIEWW, L"", ListStyle, 0, 0, area.right, area.bottom, parent, nullptr,
                            module, nullptr);
    if (list_ == nullptr) {
        return false;
    }
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, ListExtendedStyle, ListExtendedStyle);
    for (int position = 0; position < ListColumnCount; ++position) {
        std::wstring heading = Widen(TableText(ListColumns[position].heading));
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = ListColumns[position].width;
        column.pszText = heading.data();
        column.iSubItem = position;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(position),
                     reinterpret_cast<LPARAM>(&column));
    }
    m_imageList = ImageList_LoadImageW(module, MAKEINTRESOURCEW(SeverityBitmapResource), IconWidth, 0,
                                       TransparentColour, IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (m_imageList == nullptr) {
        DestroyWindow(list_);
        list_ = nullptr;
        return false;
    }
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_imageList));
    document_->AddView(*this);
    return true;
}

void CEventViewerView::Destroy() {
    if (list_ == nullptr) {
        return;
    }
    document_->RemoveView(*this);
    // The rows refer to the document's entries and the icons are the view's: the control lets go of both
    // before it goes.
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    DestroyWindow(list_);
    list_ = nullptr;
    ImageList_Destroy(m_imageList);
    m_imageList = nullptr;
}

bool CEventViewerView::OnNotify(const NMHDR& header, LRESULT& result) {
    switch (header.code) {
    // The frame is a Unicode window: the control asks it in UTF-16.
    case LVN_GETDISPINFOW:
        OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        result = 0;
        return true;
    case LVN_COLUMNCLICK:
        OnColumnClick(reinterpret_cast<const NMLISTVIEW&>(header));
        result = 0;
        return true;
    case LVN_DELETEALLITEMS:
        // No per-row notice is needed when every row goes: the rows own nothing.
        result = TRUE;
        return true;
    default: return false;
    }
}

void CEventViewerView::OnGetDispInfo(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    const auto* entry = reinterpret_cast<const CEventLogEntry*>(item.lParam);
    if (entry == nullptr) {
        entry = EntryAt(item.iItem);
    }
    if (entry == nullptr) {
        return;
    }
    const int column = ColumnSubItem(item.iSubItem);
    if ((item.mask & LVIF_IMAGE) != 0 && column == SeverityColumn) {
        item.iImage = SeverityImageIndex(entry->m_entry.Severity());
    }
    if ((item.mask & LVIF_TEXT) != 0) {
        char text[DescriptionBufferSize];
        FormatCellText(entry->m_entry, column, text);
        const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, g_cellText, DescriptionBufferSize);
        if (length <= 0) {
            g_cellText[0] = L'\0';
        }
        item.pszText = g_cellText;
        item.cchTextMax = length > 0 ? length - 1 : 0;
    }
}

void CEventViewerView::OnColumnClick(const NMLISTVIEW& info) {
    SortList(*document_, *this, ColumnSubItem(info.iSubItem));
}

int CEventViewerView::ColumnSubItem(int position) const {
    LVCOLUMNW column{};
    column.mask = LVCF_SUBITEM;
    if (!SendMessageW(list_, LVM_GETCOLUMNW, static_cast<WPARAM>(position),
                      reinterpret_cast<LPARAM>(&column))) {
        return -1;
    }
    return column.iSubItem;
}

CEventLogEntry* CEventViewerView::EntryAt(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) {
        return nullptr;
    }
    return reinterpret_cast<CEventLogEntry*>(item.lParam);
}

void CEventViewerView::SetRows(const std::vector<CEventLogEntry*>& rows) {
    ++fills_;
    order_.resize(rows.size());
    std::iota(order_.begin(), order_.end(), uint32_t{0});
    filter_.SetRows(rows);
    FillControl(filter_.Passing(order_));
}

void CEventViewerView::FillControl(const std::vector<uint32_t>& positions) {
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(list_, LVM_SETITEMCOUNT, positions.size(), 0);
    for (size_t row = 0; row < positions.size(); ++row) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
        item.iItem = static_cast<int>(row);
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.iImage = I_IMAGECALLBACK;
        item.lParam = reinterpret_cast<LPARAM>(filter_.Rows()[positions[row]]);
        const auto at =
            static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) {
            continue;
        }
        for (int column = 1; column < ListColumnCount; ++column) {
            LVITEMW text{};
            text.iSubItem = column;
            text.pszText = LPSTR_TEXTCALLBACKW;
            SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&text));
        }
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void CEventViewerView::SetFilter(RowFilter filter) {
    const std::vector<CEventLogEntry*> selected = SelectedEntries();
    const std::unordered_set<const CEventLogEntry*> wasSelected(selected.begin(), selected.end());
    const CEventLogEntry* focused = FocusedEntry();
    filter_.SetFilter(std::move(filter));
    FillControl(filter_.Passing(order_));
    const auto count = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        const CEventLogEntry* entry = EntryAt(row);
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state =
            (wasSelected.count(entry) != 0 ? LVIS_SELECTED : 0u) | (entry == focused ? LVIS_FOCUSED : 0u);
        if (state.state != 0) {
            SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        }
    }
}

size_t CEventViewerView::ShownRowCount() const {
    return static_cast<size_t>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
}

CEventLogEntry* CEventViewerView::FocusedEntry() const {
    const auto row = static_cast<int>(
        SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_FOCUSED, 0)));
    return row >= 0 ? EntryAt(row) : nullptr;
}

void CEventViewerView::SelectOnly(size_t position) {
    // The row is found among those shown; one that the filter hides is not selected, since the commands act
    // on the rows the administrator sees.
    LVFINDINFOW find{};
    find.flags = LVFI_PARAM;
    find.lParam = position < filter_.Rows().size() ? reinterpret_cast<LPARAM>(filter_.Rows()[position]) : 0;
    const auto row = static_cast<int>(
        SendMessageW(list_, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    // The control brings a row that takes the focus into view; the list is not to scroll, so the first
    // visible row is brought back.
    const auto top = static_cast<int>(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    if (row < 0) {
        return;
    }
    LVITEMW one{};
    one.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    one.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&one));
    if (static_cast<int>(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0)) != top) {
        SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(top), FALSE);
    }
}

std::vector<CEventLogEntry*> CEventViewerView::SelectedEntries() const {
    std::vector<CEventLogEntry*> entries;
    int row = -1;
    while ((row = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                MAKELPARAM(LVNI_SELECTED, 0)))) >= 0) {
        if (CEventLogEntry* entry = EntryAt(row)) {
            entries.push_back(entry);
        }
    }
    return entries;
}

size_t CEventViewerView::SelectedCount() const {
    return static_cast<size_t>(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0));
}

void CEventViewerView::Sort(int column, bool ascending) {
    // The order of every row of the fill is worked out once, each row's text formatted once; the control
    // then puts the rows it shows into it by comparing their places, which keeps every row's state
    // (selected, focused) with the row.
    std::vector<CEventLogEntry*> inOrder;
    inOrder.reserve(order_.size());
    for (uint32_t position : order_) {
        inOrder.push_back(filter_.Rows()[position]);
    }
    const std::vector<size_t> sorted = SortOrder(inOrder, column, ascending);
    std::vector<uint32_t> order(order_.size());
    RowRanks ranks;
    ranks.reserve(sorted.size());
    for (size_t rank = 0; rank < sorted.size(); ++rank) {
        order[rank] = order_[sorted[rank]];
        ranks.emplace(inOrder[sorted[rank]], rank);
    }
    order_ = std::move(order);
    SendMessageW(list_, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&ranks),
                 reinterpret_cast<LPARAM>(&CompareRanks));
    ShowSortArrow(column, ascending);
}

void CEventViewerView::ShowSortArrow(int column, bool ascending) {
    HWND heading = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    for (int position = 0; position < ListColumnCount; ++position) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (!SendMessageW(heading, HDM_GETITEMW, static_cast<WPARAM>(position),
                          reinterpret_cast<LPARAM>(&item))) {
            continue;
        }
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (ColumnSubItem(position) == column) {
            item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        }
        SendMessageW(heading, HDM_SETITEMW, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&item));
    }
}

void CEventViewerView::SetEnabled(bool enabled) {
    EnableWindow(list_, enabled ? TRUE : FALSE);
}

} // namespace kestrav::win32
