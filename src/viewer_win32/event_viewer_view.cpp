// The list view: columns, a count of rows, the texts and icons on request, the sort and the filter by the
// view's own order.
#include "viewer_win32/event_viewer_view.h"

#include <algorithm>
#include <cwctype>
#include <numeric>
#include <string>

#include "decode/event_text.h"
#include "resources/string_table.h"
#include "viewer_core/list_order.h"
#include "viewer_win32/display_dpi.h"
#include "viewer_win32/win32_resources.h"

namespace kestrav::win32 {

namespace {

// Child, visible, border; the view type is the report, and the view holds the rows.
constexpr DWORD ListStyle = 0x50800000 | LVS_REPORT | LVS_OWNERDATA;
constexpr COLORREF TransparentColour = RGB(255, 0, 255);
// A click anywhere in a row selects the whole row, and the cells are ruled.
constexpr DWORD ListExtendedStyle = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;

// The one text buffer of every display request: the requests come one at a time on the window's thread,
// and the control copies the text before it asks again. A UTF-8 text never has more UTF-16 units than bytes.
wchar_t g_cellText[DescriptionBufferSize];

// Whether text begins with prefix, ignoring case as the control's own search does.
bool StartsWithIgnoringCase(const wchar_t* text, const wchar_t* prefix) {
    for (; *prefix != L'\0'; ++text, ++prefix) {
        if (*text == L'\0' ||
            std::towlower(static_cast<wint_t>(*text)) != std::towlower(static_cast<wint_t>(*prefix))) {
            return false;
        }
    }
    return true;
}

void SetRowState(HWND list, int row, UINT mask, UINT state) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

} // namespace

CEventViewerView::CEventViewerView(CEventViewerDoc& document) : document_(&document) {}

CEventViewerView::~CEventViewerView() {
    Destroy();
}

bool CEventViewerView::Create(HWND parent, HINSTANCE module, int dpi) {
    module_ = module;
    dpi_ = dpi;
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
        column.cx = ScaleToDpi(ListColumns[position].width, dpi);
        column.pszText = heading.data();
        column.iSubItem = position;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(position),
                     reinterpret_cast<LPARAM>(&column));
    }
    if (!ApplyDpi(dpi)) {
        DestroyWindow(list_);
        list_ = nullptr;
        return false;
    }
    document_->AddView(*this);
    return true;
}

bool CEventViewerView::ApplyDpi(int dpi) {
    const int size = SeverityIconSize(dpi);
    WORD bitmap = SeverityBitmapResource;
    for (int drawn : SeverityIconSizes) {
        if (drawn == size) {
            break;
        }
        ++bitmap;
    }
    HIMAGELIST icons = ImageList_LoadImageW(module_, MAKEINTRESOURCEW(bitmap), size, 0, TransparentColour,
                                            IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (icons == nullptr) {
        return false;
    }
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(icons));
    if (m_imageList != nullptr) {
        ImageList_Destroy(m_imageList);
    }
    m_imageList = icons;
    // The rows' font: the system's for the list at this resolution, which is the control's own choice on a
    // display of the system's resolution.
    HFONT old = font_;
    LOGFONTW font{};
    font_ = ListFont(dpi, font) ? CreateFontIndirectW(&font) : nullptr;
    if (font_ != nullptr) {
        SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    }
    if (old != nullptr && font_ != nullptr) {
        DeleteObject(old);
    } else if (old != nullptr) {
        font_ = old;
    }
    return true;
}

void CEventViewerView::SetDpi(int dpi) {
    if (list_ == nullptr || dpi <= 0 || dpi == dpi_) {
        return;
    }
    for (int position = 0; position < ListColumnCount; ++position) {
        const auto width =
            static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(position), 0));
        SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(position),
                     MAKELPARAM(MulDiv(width, dpi, dpi_), 0));
    }
    dpi_ = dpi;
    ApplyDpi(dpi);
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
    if (font_ != nullptr) {
        DeleteObject(font_);
        font_ = nullptr;
    }
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
    case LVN_ODFINDITEMW: result = FindRow(*reinterpret_cast<const NMLVFINDITEMW*>(&header)); return true;
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
        // A selection being carried through a sort or a filter: the frame hears of it once, at the end.
        if (restoring_) {
            result = 0;
            return true;
        }
        return false;
    case LVN_DELETEALLITEMS:
        // No per-row notice is needed when every row goes: the rows own nothing.
        result = TRUE;
        return true;
    default: return false;
    }
}

void CEventViewerView::OnGetDispInfo(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    CEventLogEntry* entry = EntryAt(item.iItem);
    if (entry == nullptr) {
        return;
    }
    if ((item.mask & LVIF_PARAM) != 0) {
        item.lParam = reinterpret_cast<LPARAM>(entry);
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

int CEventViewerView::FindRow(const NMLVFINDITEMW& find) const {
    const auto count = static_cast<int>(shown_.size());
    if (count == 0) {
        return -1;
    }
    const LVFINDINFOW& wanted = find.lvfi;
    const int start = find.iStart >= 0 && find.iStart < count ? find.iStart : 0;
    const int last = (wanted.flags & LVFI_WRAP) != 0 ? start + count : count;
    wchar_t text[DescriptionBufferSize];
    char cell[DescriptionBufferSize];
    for (int at = start; at < last; ++at) {
        const int row = at % count;
        const CEventLogEntry* entry = EntryAt(row);
        if ((wanted.flags & LVFI_PARAM) != 0) {
            if (reinterpret_cast<LPARAM>(entry) == wanted.lParam) {
                return row;
            }
            continue;
        }
        if ((wanted.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || wanted.psz == nullptr) {
            return -1;
        }
        // The first column's text, which is what the control's own search compares.
        FormatCellText(entry->m_entry, ColumnSubItem(0), cell);
        if (MultiByteToWideChar(CP_UTF8, 0, cell, -1, text, DescriptionBufferSize) <= 0) {
            continue;
        }
        const bool found = (wanted.flags & LVFI_PARTIAL) != 0 ? StartsWithIgnoringCase(text, wanted.psz)
                                                              : _wcsicmp(text, wanted.psz) == 0;
        if (found) {
            return row;
        }
    }
    return -1;
}

CEventLogEntry* CEventViewerView::EntryAt(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= shown_.size()) {
        return nullptr;
    }
    return filter_.Rows()[shown_[static_cast<size_t>(row)]];
}

void CEventViewerView::SetRows(const std::vector<CEventLogEntry*>& rows) {
    ++fills_;
    order_.resize(rows.size());
    std::iota(order_.begin(), order_.end(), uint32_t{0});
    filter_.SetRows(rows);
    ShowRows(filter_.Passing(order_));
}

void CEventViewerView::ShowRows(std::vector<uint32_t> positions) {
    // Emptied first: the control drops every row's state and goes back to the top.
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    shown_ = std::move(positions);
    SendMessageW(list_, LVM_SETITEMCOUNT, shown_.size(), 0);
    InvalidateRect(list_, nullptr, TRUE);
}

CEventViewerView::Selection CEventViewerView::KeepSelection() const {
    Selection kept;
    kept.selected.assign(filter_.Rows().size(), 0);
    int row = -1;
    while ((row = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                MAKELPARAM(LVNI_SELECTED, 0)))) >= 0) {
        if (static_cast<size_t>(row) >= shown_.size()) {
            break;
        }
        kept.selected[shown_[static_cast<size_t>(row)]] = 1;
        ++kept.selectedCount;
    }
    const auto focused = static_cast<int>(
        SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_FOCUSED, 0)));
    if (focused >= 0 && static_cast<size_t>(focused) < shown_.size()) {
        kept.focused = shown_[static_cast<size_t>(focused)];
    }
    return kept;
}

void CEventViewerView::RestoreSelection(const Selection& kept) {
    restoring_ = true;
    SetRowState(list_, -1, LVIS_SELECTED | LVIS_FOCUSED, 0);
    size_t selected = 0;
    int focusRow = -1;
    for (size_t row = 0; row < shown_.size(); ++row) {
        const uint32_t position = shown_[row];
        selected += position < kept.selected.size() && kept.selected[position] != 0 ? 1 : 0;
        if (static_cast<int64_t>(position) == kept.focused) {
            focusRow = static_cast<int>(row);
        }
    }
    // The control sets every row at once: when most rows are selected, all are, and the others cleared.
    const bool most = selected > shown_.size() / 2;
    if (most) {
        SetRowState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
    }
    for (size_t row = 0; row < shown_.size() && selected > 0; ++row) {
        const uint32_t position = shown_[row];
        const bool wanted = position < kept.selected.size() && kept.selected[position] != 0;
        if (wanted != most) {
            SetRowState(list_, static_cast<int>(row), LVIS_SELECTED, wanted ? LVIS_SELECTED : 0);
        }
    }
    if (focusRow >= 0) {
        SetRowState(list_, focusRow, LVIS_FOCUSED, LVIS_FOCUSED);
        SendMessageW(list_, LVM_SETSELECTIONMARK, 0, focusRow);
    }
    restoring_ = false;
}

void CEventViewerView::SetFilter(RowFilter filter) {
    const Selection kept = KeepSelection();
    filter_.SetFilter(std::move(filter));
    ShowRows(filter_.Passing(order_));
    RestoreSelection(kept);
}

size_t CEventViewerView::ShownRowCount() const {
    return shown_.size();
}

CEventLogEntry* CEventViewerView::FocusedEntry() const {
    const auto row = static_cast<int>(
        SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_FOCUSED, 0)));
    return row >= 0 ? EntryAt(row) : nullptr;
}

void CEventViewerView::SelectOnly(size_t position) {
    // The row is found among those shown; one that the filter hides is not selected, since the commands act
    // on the rows the administrator sees.
    const auto shownAt = std::find(shown_.begin(), shown_.end(), position);
    const int row = shownAt != shown_.end() ? static_cast<int>(shownAt - shown_.begin()) : -1;
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
    KeepTopRow(top);
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
    // The order of every row of the fill is worked out once, each row's text formatted once; the rows shown
    // keep their places in it, and the selection and the focus move with their entries. The list stays
    // where it was scrolled to.
    const Selection kept = KeepSelection();
    order_ = SortPositions(filter_.Rows(), order_, column, ascending);
    std::vector<uint8_t> isShown(filter_.Rows().size(), 0);
    for (uint32_t position : shown_) {
        isShown[position] = 1;
    }
    std::vector<uint32_t> shown;
    shown.reserve(shown_.size());
    for (uint32_t position : order_) {
        if (isShown[position] != 0) {
            shown.push_back(position);
        }
    }
    shown_ = std::move(shown);
    const auto top = static_cast<int>(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
    RestoreSelection(kept);
    KeepTopRow(top);
    InvalidateRect(list_, nullptr, FALSE);
    ShowSortArrow(column, ascending);
}

void CEventViewerView::KeepTopRow(int top) {
    const auto now = static_cast<int>(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
    RECT row{};
    row.left = LVIR_BOUNDS;
    if (now == top ||
        !SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(now), reinterpret_cast<LPARAM>(&row))) {
        return;
    }
    SendMessageW(list_, LVM_SCROLL, 0, static_cast<LPARAM>(top - now) * (row.bottom - row.top));
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
