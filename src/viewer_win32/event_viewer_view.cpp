// The list view: columns, callback rows, the texts and icons on request, the sort through the control.
#include "viewer_win32/event_viewer_view.h"

#include <cstring>
#include <unordered_map>

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

// The one text buffer of every display request: the requests come one at a time on the window's thread,
// and the control copies the text before it asks again.
char g_cellText[DescriptionBufferSize];

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
    list_ = CreateWindowExA(0, WC_LISTVIEWA, "", ListStyle, 0, 0, area.right, area.bottom, parent, nullptr,
                            module, nullptr);
    if (list_ == nullptr) {
        return false;
    }
    for (int position = 0; position < ListColumnCount; ++position) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = ListColumns[position].width;
        column.pszText = const_cast<char*>(TableText(ListColumns[position].heading));
        column.iSubItem = position;
        SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(position),
                     reinterpret_cast<LPARAM>(&column));
    }
    m_imageList = ImageList_LoadImageA(module, MAKEINTRESOURCEA(SeverityBitmapResource), IconWidth, 0,
                                       TransparentColour, IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (m_imageList == nullptr) {
        DestroyWindow(list_);
        list_ = nullptr;
        return false;
    }
    SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_imageList));
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
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    DestroyWindow(list_);
    list_ = nullptr;
    ImageList_Destroy(m_imageList);
    m_imageList = nullptr;
}

bool CEventViewerView::OnNotify(const NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case LVN_GETDISPINFOA:
        OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(&header)));
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

void CEventViewerView::OnGetDispInfo(NMLVDISPINFOA& info) {
    LVITEMA& item = info.item;
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
        FormatCellText(entry->m_entry, column, g_cellText);
        item.pszText = g_cellText;
        item.cchTextMax = static_cast<int>(std::strlen(g_cellText));
    }
}

void CEventViewerView::OnColumnClick(const NMLISTVIEW& info) {
    SortList(*document_, *this, ColumnSubItem(info.iSubItem));
}

int CEventViewerView::ColumnSubItem(int position) const {
    LVCOLUMNA column{};
    column.mask = LVCF_SUBITEM;
    if (!SendMessageA(list_, LVM_GETCOLUMNA, static_cast<WPARAM>(position),
                      reinterpret_cast<LPARAM>(&column))) {
        return -1;
    }
    return column.iSubItem;
}

CEventLogEntry* CEventViewerView::EntryAt(int row) const {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
        return nullptr;
    }
    return reinterpret_cast<CEventLogEntry*>(item.lParam);
}

void CEventViewerView::SetRows(const std::vector<CEventLogEntry*>& rows) {
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(list_, LVM_SETITEMCOUNT, rows.size(), 0);
    for (size_t row = 0; row < rows.size(); ++row) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
        item.iItem = static_cast<int>(row);
        item.pszText = LPSTR_TEXTCALLBACKA;
        item.iImage = I_IMAGECALLBACK;
        item.lParam = reinterpret_cast<LPARAM>(rows[row]);
        const auto at =
            static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) {
            continue;
        }
        for (int column = 1; column < ListColumnCount; ++column) {
            LVITEMA text{};
            text.iSubItem = column;
            text.pszText = LPSTR_TEXTCALLBACKA;
            SendMessageA(list_, LVM_SETITEMTEXTA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&text));
        }
    }
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void CEventViewerView::SelectOnly(size_t row) {
    // The control brings a row that takes the focus into view; the list is not to scroll, so the first
    // visible row is brought back.
    const auto top = static_cast<int>(SendMessageA(list_, LVM_GETTOPINDEX, 0, 0));
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    LVITEMA one{};
    one.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    one.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&one));
    if (static_cast<int>(SendMessageA(list_, LVM_GETTOPINDEX, 0, 0)) != top) {
        SendMessageA(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(top), FALSE);
    }
}

std::vector<CEventLogEntry*> CEventViewerView::SelectedEntries() const {
    std::vector<CEventLogEntry*> entries;
    int row = -1;
    while ((row = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                MAKELPARAM(LVNI_SELECTED, 0)))) >= 0) {
        if (CEventLogEntry* entry = EntryAt(row)) {
            entries.push_back(entry);
        }
    }
    return entries;
}

size_t CEventViewerView::SelectedCount() const {
    return static_cast<size_t>(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0));
}

void CEventViewerView::Sort(int column, bool ascending) {
    // The order is worked out once, each row's text formatted once; the control then puts its rows into it
    // by comparing their places, which keeps every row's state (selected, focused) with the row.
    const auto count = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    std::vector<CEventLogEntry*> rows;
    rows.reserve(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row) {
        if (CEventLogEntry* entry = EntryAt(row)) {
            rows.push_back(entry);
        }
    }
    const std::vector<size_t> order = SortOrder(rows, column, ascending);
    RowRanks ranks;
    ranks.reserve(order.size());
    for (size_t rank = 0; rank < order.size(); ++rank) {
        ranks.emplace(rows[order[rank]], rank);
    }
    SendMessageA(list_, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&ranks),
                 reinterpret_cast<LPARAM>(&CompareRanks));
}

void CEventViewerView::SetEnabled(bool enabled) {
    EnableWindow(list_, enabled ? TRUE : FALSE);
}

} // namespace kestrav::win32
