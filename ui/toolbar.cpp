#include "ui/toolbar.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "store/pure/error.h"
#include "win/handles.h"
#include "ui/pure/toolbar_layout.h"
#include "ui/toolbar_accessible.h"

namespace qb::ui {
namespace {

// The flat look's colours for hot and pressed cells.
constexpr COLORREF kHotFill = RGB(198, 211, 239);
constexpr COLORREF kHotFrame = RGB(49, 105, 198);
constexpr COLORREF kGlyphShadow = RGB(116, 149, 216);

constexpr UINT_PTR kChevronToolId = 1;
// The tool of item i of the bar, for an item with a hint.
constexpr UINT_PTR kFirstItemToolId = 100;
// Raster operation: the brush where the source is black, the destination where it is white.
constexpr DWORD kRopBrushWhereBlack = 0x00B8074A;
// Posted to the bar by its accessible object: press the item (or the chevron) in wParam as a
// click would, once the caller has its answer.
constexpr UINT kPressMessage = WM_USER + 1;

using win::PaintDC;
using win::SelectedObject;
using win::UniqueBitmap;
using win::UniqueBrush;
using win::UniqueMemoryDC;
using win::UniqueMenu;
using win::WindowDC;

// ---- Instance data ----

enum class Look { Normal, Hot, Pressed };

struct ToolbarState {
    HWND hwnd = nullptr;
    std::vector<HIMAGELIST> imageSizes;  // the glyphs in each size of their art
    HIMAGELIST images = nullptr;         // the one of them the scale draws from
    int scaleNumerator = 1;
    int scaleDenominator = 1;
    ToolbarMetrics metrics;
    bool highContrast = false;  // a high-contrast theme is on: the system's colours only
    HFONT font = nullptr;
    std::vector<ToolbarItem> items;
    std::vector<CellSize> sizes;
    ToolbarLayout layout;
    int hot = kToolbarNoHit;      // the item or chevron under the mouse that shows hot
    int pressed = kToolbarNoHit;  // the item the left button went down on, while captured
    bool trackingLeave = false;
    bool chevronOpen = false;
    win::UniqueWindow tooltip;
    std::size_t itemTools = 0;  // the items the tooltip has tools for, from the first
};

ToolbarState* StateOf(HWND hwnd) {
    return reinterpret_cast<ToolbarState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// The state of a window handed in from outside, null unless it is one of these bars.
ToolbarState* BarStateOf(HWND hwnd) {
    std::wstring name(64, L'\0');
    const int length = GetClassNameW(hwnd, name.data(), static_cast<int>(name.size()));
    name.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return name == kActionToolBarClass ? StateOf(hwnd) : nullptr;
}

RECT ToRect(const Box& box) {
    return {box.left, box.top, box.right, box.bottom};
}

bool IsButton(const ToolbarState& state, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < state.items.size() &&
           !state.items[static_cast<std::size_t>(index)].separator;
}

// Whether the mouse may make this hit hot or press it.
bool Reacts(const ToolbarState& state, int hit) {
    if (hit == kToolbarChevronHit) {
        return !state.layout.chevron.Empty();
    }
    return IsButton(state, hit) && state.items[static_cast<std::size_t>(hit)].enabled;
}

HFONT FontOf(const ToolbarState& state) {
    return state.font != nullptr ? state.font
                                 : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

bool HasGlyph(const ToolbarState& state, const ToolbarItem& item) {
    return item.image >= 0 && state.images != nullptr;
}

// The spacings at the bar's scale, and the image list of the art they ask for.
void ApplyScale(ToolbarState& state) {
    std::vector<int> artSizes;
    for (const HIMAGELIST list : state.imageSizes) {
        int cx = 0;
        int cy = 0;
        artSizes.push_back(list != nullptr && ImageList_GetIconSize(list, &cx, &cy) ? cx : 0);
    }
    state.metrics = ScaleToolbarMetrics(state.scaleNumerator, state.scaleDenominator, artSizes);
    state.images = nullptr;
    for (std::size_t i = 0; i < artSizes.size(); ++i) {
        if (artSizes[i] == state.metrics.art) {
            state.images = state.imageSizes[i];
            break;
        }
    }
}

void Measure(ToolbarState& state) {
    WindowDC screen(nullptr);
    SelectedObject font(screen.get(), FontOf(state));
    state.sizes.clear();
    for (const ToolbarItem& item : state.items) {
        CellContent content;
        content.separator = item.separator;
        content.glyph = HasGlyph(state, item);
        content.caption = item.showCaption;
        if (item.showCaption && !item.separator) {
            SIZE extent{};
            // An empty caption still sets the height of a line.
            const wchar_t* text = item.caption.empty() ? L" " : item.caption.c_str();
            const int length = item.caption.empty() ? 1 : static_cast<int>(item.caption.size());
            GetTextExtentPoint32W(screen.get(), text, length, &extent);
            content.captionWidth = item.caption.empty() ? 0 : extent.cx;
            content.captionHeight = extent.cy;
        }
        state.sizes.push_back(MeasureCell(content, state.metrics));
    }
}

void UpdateTooltipRect(const ToolbarState& state) {
    if (!state.tooltip) {
        return;
    }
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = state.hwnd;
    info.uId = kChevronToolId;
    info.rect = ToRect(state.layout.chevron);
    SendMessageW(state.tooltip.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
    for (std::size_t i = 0; i < state.itemTools && i < state.layout.cells.size(); ++i) {
        info.uId = kFirstItemToolId + i;
        info.rect = ToRect(state.layout.cells[i]);  // empty for an item the bar has no room for
        SendMessageW(state.tooltip.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

// A tool for each item with a hint; the tools of the items before go.
void SetItemTools(ToolbarState& state) {
    if (!state.tooltip) {
        return;
    }
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = state.hwnd;
    for (std::size_t i = 0; i < state.itemTools; ++i) {
        info.uId = kFirstItemToolId + i;
        SendMessageW(state.tooltip.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    state.itemTools = 0;
    for (std::size_t i = 0; i < state.items.size(); ++i) {
        const ToolbarItem& item = state.items[i];
        if (item.separator || item.hint.empty()) {
            continue;
        }
        info.uFlags = TTF_SUBCLASS;
        info.uId = kFirstItemToolId + i;
        info.lpszText = const_cast<wchar_t*>(item.hint.c_str());
        SendMessageW(state.tooltip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
        state.itemTools = i + 1;
    }
}

void Relayout(ToolbarState& state) {
    RECT client{};
    GetClientRect(state.hwnd, &client);
    state.layout = LayoutToolbar(state.sizes, client.right - client.left, state.metrics);
    if (!Reacts(state, state.hot)) {
        state.hot = kToolbarNoHit;
    }
    if (state.pressed != kToolbarNoHit && !Reacts(state, state.pressed)) {
        state.pressed = kToolbarNoHit;
        if (GetCapture() == state.hwnd) {
            ReleaseCapture();
        }
    }
    UpdateTooltipRect(state);
    InvalidateRect(state.hwnd, nullptr, FALSE);
}

// The hits screen readers see as children, in order: every button, then the chevron while it
// shows.
std::vector<int> AccessibleHits(const ToolbarState& state) {
    std::vector<int> hits;
    for (std::size_t i = 0; i < state.items.size(); ++i) {
        if (!state.items[i].separator) {
            hits.push_back(static_cast<int>(i));
        }
    }
    if (!state.layout.chevron.Empty()) {
        hits.push_back(kToolbarChevronHit);
    }
    return hits;
}

// Tells screen readers that a child's state changed (its child id counts from 1).
void NotifyStateChange(const ToolbarState& state, int hit) {
    const std::vector<int> hits = AccessibleHits(state);
    for (std::size_t i = 0; i < hits.size(); ++i) {
        if (hits[i] == hit) {
            NotifyWinEvent(EVENT_OBJECT_STATECHANGE, state.hwnd, OBJID_CLIENT,
                           static_cast<LONG>(i + 1));
        }
    }
}

void SetHot(ToolbarState& state, int hot) {
    if (state.hot != hot) {
        const int was = std::exchange(state.hot, hot);
        InvalidateRect(state.hwnd, nullptr, FALSE);
        NotifyStateChange(state, was);
        NotifyStateChange(state, hot);
    }
}

Look LookOf(const ToolbarState& state, int index) {
    if (index == kToolbarChevronHit && state.chevronOpen) {
        return Look::Pressed;
    }
    if (!Reacts(state, index) || state.hot != index) {
        return Look::Normal;
    }
    return state.pressed == index ? Look::Pressed : Look::Hot;
}

// ---- Drawing ----

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.get());
}

void DrawHotCell(const ToolbarState& state, HDC dc, const RECT& cell) {
    if (state.highContrast) {
        FillRect(dc, &cell, GetSysColorBrush(COLOR_HIGHLIGHT));
        return;
    }
    FillSolid(dc, cell, kHotFill);
    UniqueBrush frame(CreateSolidBrush(kHotFrame));
    RECT ring = cell;
    for (int i = 0; i < state.metrics.line; ++i) {
        FrameRect(dc, &ring, frame.get());
        InflateRect(&ring, -1, -1);
    }
}

// Paints the opaque pixels of an image in one colour.
void DrawSilhouette(HDC dc, HIMAGELIST images, int image, int x, int y, COLORREF colour) {
    int cx = 0;
    int cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    UniqueMemoryDC maskDc(CreateCompatibleDC(dc));
    UniqueBitmap mask(CreateBitmap(cx, cy, 1, 1, nullptr));
    UniqueBrush brush(CreateSolidBrush(colour));
    if (!maskDc || !mask || !brush) {
        return;
    }
    SelectedObject maskSelection(maskDc.get(), mask.get());
    PatBlt(maskDc.get(), 0, 0, cx, cy, WHITENESS);
    ImageList_Draw(images, image, maskDc.get(), 0, 0, ILD_MASK);

    SelectedObject brushSelection(dc, brush.get());
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    BitBlt(dc, x, y, cx, cy, maskDc.get(), 0, 0, kRopBrushWhereBlack);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

// The colour of a cell's glyph and caption in a high-contrast theme.
COLORREF HighContrastInk(const ToolbarItem& item, Look look) {
    if (!item.enabled) {
        return GetSysColor(COLOR_GRAYTEXT);
    }
    return GetSysColor(look == Look::Normal ? COLOR_BTNTEXT : COLOR_HIGHLIGHTTEXT);
}

void DrawButton(const ToolbarState& state, HDC dc, std::size_t index) {
    const ToolbarItem& item = state.items[index];
    const ToolbarMetrics& m = state.metrics;
    const RECT cell = ToRect(state.layout.cells[index]);
    const Look look = LookOf(state, static_cast<int>(index));
    if (look != Look::Normal) {
        DrawHotCell(state, dc, cell);
    }

    int textLeft = cell.left + m.cellPadding;
    if (HasGlyph(state, item)) {
        // The art at its own size, centred on the glyph's room.
        const int x = cell.left + m.cellPadding + (m.glyph - m.art) / 2;
        const int y = cell.top + (cell.bottom - cell.top - m.art) / 2;
        const int step = m.line;
        if (state.highContrast) {
            // A mask in the text's colour: the art's own colours may vanish on the theme's face.
            DrawSilhouette(dc, state.images, item.image, x, y, HighContrastInk(item, look));
        } else if (!item.enabled) {
            // Etched: a highlight silhouette below right, a shadow silhouette at rest.
            DrawSilhouette(dc, state.images, item.image, x + step, y + step,
                           GetSysColor(COLOR_BTNHIGHLIGHT));
            DrawSilhouette(dc, state.images, item.image, x, y, GetSysColor(COLOR_BTNSHADOW));
        } else if (look == Look::Normal) {
            ImageList_Draw(state.images, item.image, dc, x, y, ILD_TRANSPARENT);
        } else {
            DrawSilhouette(dc, state.images, item.image, x + step, y + step, kGlyphShadow);
            const int lift = look == Look::Hot ? step : 0;
            ImageList_Draw(state.images, item.image, dc, x - lift, y - lift, ILD_TRANSPARENT);
        }
        textLeft += m.glyph + m.glyphCaptionGap;
    }

    if (item.showCaption && !item.caption.empty()) {
        RECT text{textLeft, cell.top, cell.right - m.cellPadding - m.cellExtra, cell.bottom};
        SetTextColor(dc, state.highContrast
                             ? HighContrastInk(item, look)
                             : GetSysColor(item.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextW(dc, item.caption.c_str(), static_cast<int>(item.caption.size()), &text,
                  DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
    }
}

void DrawSeparator(const ToolbarState& state, HDC dc, std::size_t index) {
    const Box& cell = state.layout.cells[index];
    const int line = state.metrics.line;
    const int x = cell.left + (cell.Width() - 2 * line) / 2;
    const RECT shadow{x, cell.top + line, x + line, cell.bottom - line};
    const RECT highlight{x + line, cell.top + line, x + 2 * line, cell.bottom - line};
    if (state.highContrast) {
        // One line in the text's colour: the theme's shadow and highlight may be the face's.
        FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNTEXT));
        return;
    }
    FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
    FillRect(dc, &highlight, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
}

// Two small ">" marks side by side in the middle of the chevron.
void DrawChevron(const ToolbarState& state, HDC dc) {
    const RECT cell = ToRect(state.layout.chevron);
    const bool hot = LookOf(state, kToolbarChevronHit) != Look::Normal;
    if (hot) {
        DrawHotCell(state, dc, cell);
    }
    const int u = state.metrics.line;
    const int midX = (cell.left + cell.right) / 2;
    const int midY = (cell.top + cell.bottom) / 2;
    const HBRUSH ink =
        GetSysColorBrush(state.highContrast && hot ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
    for (const int base : {midX - 4 * u, midX}) {
        for (int row = -2; row <= 2; ++row) {
            const int x = base + (2 - (row < 0 ? -row : row)) * u;
            const RECT stroke{x, midY + row * u, x + 2 * u, midY + (row + 1) * u};
            FillRect(dc, &stroke, ink);
        }
    }
}

void DrawBar(const ToolbarState& state, HDC dc, const RECT& client) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SelectedObject font(dc, FontOf(state));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldText = GetTextColor(dc);
    for (std::size_t i = 0; i < state.items.size(); ++i) {
        if (state.layout.cells[i].Empty()) {
            continue;
        }
        if (state.items[i].separator) {
            DrawSeparator(state, dc, i);
        } else {
            DrawButton(state, dc, i);
        }
    }
    if (!state.layout.chevron.Empty()) {
        DrawChevron(state, dc);
    }
    SetTextColor(dc, oldText);
    SetBkMode(dc, oldMode);
}

// ---- Commands ----

// Sends the item's command to the parent. The parent may destroy the bar while handling it, so
// nothing of the bar is touched afterwards.
void Execute(HWND hwnd, UINT command) {
    SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(command, 0),
                 reinterpret_cast<LPARAM>(hwnd));
}

// Drops the list of hidden items down from the chevron and executes the chosen one.
void DropChevronMenu(HWND hwnd) {
    ToolbarState* state = StateOf(hwnd);
    std::vector<bool> separators;
    for (const ToolbarItem& item : state->items) {
        separators.push_back(item.separator);
    }
    const std::vector<std::size_t> listed = ChevronMenuItems(state->layout, separators);
    if (listed.empty()) {
        return;
    }
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) {
        return;
    }
    for (const std::size_t index : listed) {
        const ToolbarItem& item = state->items[index];
        if (item.separator) {
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu.get(), MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED), index + 1,
                        item.caption.c_str());
        }
    }

    RECT chevron = ToRect(state->layout.chevron);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&chevron), 2);
    TPMPARAMS params{};
    params.cbSize = sizeof(params);
    params.rcExclude = chevron;

    state->chevronOpen = true;
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenuEx(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_VERTICAL,
                         chevron.left, chevron.bottom, hwnd, &params));

    state = StateOf(hwnd);
    if (!IsWindow(hwnd) || state == nullptr) {
        return;
    }
    state->chevronOpen = false;
    state->hot = kToolbarNoHit;
    InvalidateRect(hwnd, nullptr, FALSE);
    if (chosen == 0 || chosen > state->items.size()) {
        return;
    }
    const ToolbarItem& item = state->items[chosen - 1];
    if (!item.separator && item.enabled) {
        Execute(hwnd, item.command);
    }
}

// What a click on a hit does, for the mouse and for screen readers alike: the chevron drops its
// list, an enabled button executes its command, anything else does nothing.
void Activate(HWND hwnd, int hit) {
    const ToolbarState* state = StateOf(hwnd);
    if (state == nullptr || !Reacts(*state, hit)) {
        return;
    }
    if (hit == kToolbarChevronHit) {
        DropChevronMenu(hwnd);
    } else {
        Execute(hwnd, state->items[static_cast<std::size_t>(hit)].command);
    }
}

// ---- Message handlers ----

void OnNcCreate(HWND hwnd) {
    // The window owns its state from here to WM_NCDESTROY.
    auto state = std::make_unique<ToolbarState>();
    state->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
}

void OnNcDestroy(HWND hwnd) {
    std::unique_ptr<ToolbarState> state(StateOf(hwnd));
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
}

void OnCreate(ToolbarState& state) {
    Measure(state);
    state.tooltip.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, state.hwnd,
                                        nullptr, GetModuleHandleW(nullptr), nullptr));
    if (state.tooltip) {
        TOOLINFOW info{};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.uFlags = TTF_SUBCLASS;
        info.hwnd = state.hwnd;
        info.uId = kChevronToolId;
        info.lpszText = const_cast<wchar_t*>(kMoreButtonsHint);
        SendMessageW(state.tooltip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    Relayout(state);
}

void OnDestroy(ToolbarState& state) {
    state.tooltip.reset();
}

void OnPaint(ToolbarState& state) {
    PaintDC paint(state.hwnd);
    RECT client{};
    GetClientRect(state.hwnd, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    // Drawn off screen first and copied in one go, so hot tracking does not flicker.
    UniqueMemoryDC buffer(CreateCompatibleDC(paint.get()));
    UniqueBitmap bitmap(CreateCompatibleBitmap(paint.get(), width, height));
    if (!buffer || !bitmap) {
        DrawBar(state, paint.get(), client);
        return;
    }
    SelectedObject selection(buffer.get(), bitmap.get());
    DrawBar(state, buffer.get(), client);
    BitBlt(paint.get(), 0, 0, width, height, buffer.get(), 0, 0, SRCCOPY);
}

void OnPrintClient(const ToolbarState& state, HDC dc) {
    RECT client{};
    GetClientRect(state.hwnd, &client);
    DrawBar(state, dc, client);
}

void OnSize(ToolbarState& state) {
    Relayout(state);
}

void OnMouseMove(ToolbarState& state, int x, int y) {
    if (!state.trackingLeave) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = state.hwnd;
        state.trackingLeave = TrackMouseEvent(&track) != FALSE;
    }
    const int hit = ToolbarHitTest(state.layout, x, y);
    if (state.pressed != kToolbarNoHit) {
        // While a button is held, only that button lights up, and only with the mouse on it.
        SetHot(state, hit == state.pressed ? hit : kToolbarNoHit);
    } else {
        SetHot(state, Reacts(state, hit) ? hit : kToolbarNoHit);
    }
}

void OnMouseLeave(ToolbarState& state) {
    state.trackingLeave = false;
    if (state.pressed == kToolbarNoHit && !state.chevronOpen) {
        SetHot(state, kToolbarNoHit);
    }
}

void OnLButtonDown(ToolbarState& state, int x, int y) {
    const int hit = ToolbarHitTest(state.layout, x, y);
    if (!Reacts(state, hit)) {
        return;
    }
    if (hit == kToolbarChevronHit) {
        Activate(state.hwnd, hit);
        return;
    }
    state.pressed = hit;
    state.hot = hit;
    SetCapture(state.hwnd);
    InvalidateRect(state.hwnd, nullptr, FALSE);
}

void OnLButtonUp(ToolbarState& state, int x, int y) {
    const int pressed = std::exchange(state.pressed, kToolbarNoHit);
    if (pressed == kToolbarNoHit) {
        return;
    }
    const int hit = ToolbarHitTest(state.layout, x, y);
    state.hot = Reacts(state, hit) ? hit : kToolbarNoHit;
    InvalidateRect(state.hwnd, nullptr, FALSE);
    if (GetCapture() == state.hwnd) {
        ReleaseCapture();
    }
    if (hit == pressed) {
        Activate(state.hwnd, hit);
    }
}

void OnCaptureChanged(ToolbarState& state) {
    if (state.pressed != kToolbarNoHit) {
        state.pressed = kToolbarNoHit;
        state.hot = kToolbarNoHit;
        InvalidateRect(state.hwnd, nullptr, FALSE);
    }
}

void OnCancelMode(ToolbarState& state) {
    if (GetCapture() == state.hwnd) {
        ReleaseCapture();
    }
}

// The system's colours changed: the bar draws in them.
void OnColoursChanged(const ToolbarState& state) {
    InvalidateRect(state.hwnd, nullptr, FALSE);
}

void OnSetFont(ToolbarState& state, HFONT font, bool redraw) {
    state.font = font;
    Measure(state);
    Relayout(state);
    if (redraw) {
        UpdateWindow(state.hwnd);
    }
}

LRESULT CALLBACK ToolbarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        OnNcCreate(hwnd);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    ToolbarState* state = StateOf(hwnd);
    if (state == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    switch (message) {
        case WM_CREATE:
            OnCreate(*state);
            return 0;
        case WM_DESTROY:
            OnDestroy(*state);
            return 0;
        case WM_NCDESTROY:
            OnNcDestroy(hwnd);
            return DefWindowProcW(hwnd, message, wParam, lParam);
        case WM_ERASEBKGND:
            return 1;  // everything is painted in WM_PAINT
        case WM_PAINT:
            OnPaint(*state);
            return 0;
        case WM_PRINTCLIENT:
            OnPrintClient(*state, reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_SIZE:
            OnSize(*state);
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(*state, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_MOUSELEAVE:
            OnMouseLeave(*state);
            return 0;
        case WM_LBUTTONDOWN:
            OnLButtonDown(*state, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONUP:
            OnLButtonUp(*state, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_CAPTURECHANGED:
            OnCaptureChanged(*state);
            return 0;
        case WM_CANCELMODE:
            OnCancelMode(*state);
            return 0;
        case WM_SETFONT:
            OnSetFont(*state, reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(state->font);
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            OnColoursChanged(*state);
            return 0;
        case WM_GETOBJECT:
            if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
                return AnswerToolbarGetObject(hwnd, wParam);
            }
            return DefWindowProcW(hwnd, message, wParam, lParam);
        case kPressMessage:
            Activate(hwnd, static_cast<int>(static_cast<INT_PTR>(wParam)));
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

void RegisterActionToolBarClass() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ToolbarProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kActionToolBarClass;
        if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            throw Error(L"Cannot register the toolbar window class");
        }
        return true;
    }();
    (void)registered;
}

void SetToolbarItems(HWND bar, HIMAGELIST images, std::vector<ToolbarItem> items) {
    ToolbarState* state = BarStateOf(bar);
    if (state == nullptr) {
        return;
    }
    // A list of another size than those the bar has stands for every size.
    if (std::find(state->imageSizes.begin(), state->imageSizes.end(), images) ==
        state->imageSizes.end()) {
        state->imageSizes = {images};
        ApplyScale(*state);
    }
    state->items = std::move(items);
    state->hot = kToolbarNoHit;
    Measure(*state);
    SetItemTools(*state);
    Relayout(*state);
    NotifyWinEvent(EVENT_OBJECT_REORDER, bar, OBJID_CLIENT, CHILDID_SELF);
}

void SetToolbarImageSizes(HWND bar, std::vector<HIMAGELIST> lists) {
    ToolbarState* state = BarStateOf(bar);
    if (state == nullptr) {
        return;
    }
    state->imageSizes = std::move(lists);
    ApplyScale(*state);
    Measure(*state);
    Relayout(*state);
}

void SetToolbarHighContrast(HWND bar, bool on) {
    ToolbarState* state = BarStateOf(bar);
    if (state != nullptr && state->highContrast != on) {
        state->highContrast = on;
        InvalidateRect(bar, nullptr, FALSE);
    }
}

void SetToolbarScale(HWND bar, int numerator, int denominator) {
    ToolbarState* state = BarStateOf(bar);
    if (state == nullptr || numerator <= 0 || denominator <= 0) {
        return;
    }
    state->scaleNumerator = numerator;
    state->scaleDenominator = denominator;
    ApplyScale(*state);
    Measure(*state);
    Relayout(*state);
}

void SetToolbarItemEnabled(HWND bar, UINT command, bool enabled) {
    ToolbarState* state = BarStateOf(bar);
    if (state == nullptr) {
        return;
    }
    bool changed = false;
    for (ToolbarItem& item : state->items) {
        if (!item.separator && item.command == command && item.enabled != enabled) {
            item.enabled = enabled;
            changed = true;
        }
    }
    if (!changed) {
        return;
    }
    for (std::size_t i = 0; i < state->items.size(); ++i) {
        if (!state->items[i].separator && state->items[i].command == command) {
            NotifyStateChange(*state, static_cast<int>(i));
        }
    }
    if (!Reacts(*state, state->hot)) {
        state->hot = kToolbarNoHit;
    }
    if (state->pressed != kToolbarNoHit && !Reacts(*state, state->pressed)) {
        state->pressed = kToolbarNoHit;
        if (GetCapture() == bar) {
            ReleaseCapture();
        }
    }
    InvalidateRect(bar, nullptr, FALSE);
}

RECT ToolbarItemRect(HWND bar, std::size_t index) {
    const ToolbarState* state = BarStateOf(bar);
    if (state == nullptr || index >= state->layout.cells.size()) {
        return {};
    }
    return ToRect(state->layout.cells[index]);
}

RECT ToolbarChevronRect(HWND bar) {
    const ToolbarState* state = BarStateOf(bar);
    return state != nullptr ? ToRect(state->layout.chevron) : RECT{};
}

HWND ToolbarTooltip(HWND bar) {
    const ToolbarState* state = BarStateOf(bar);
    return state != nullptr ? state->tooltip.get() : nullptr;
}

std::vector<AccessibleButton> ToolbarAccessibleButtons(HWND bar) {
    std::vector<AccessibleButton> buttons;
    const ToolbarState* state = BarStateOf(bar);
    if (state == nullptr) {
        return buttons;
    }
    for (const int hit : AccessibleHits(*state)) {
        AccessibleButton button;
        Box cell;
        if (hit == kToolbarChevronHit) {
            button.name = kMoreButtonsHint;
            button.pressed = state->chevronOpen;
            cell = state->layout.chevron;
        } else {
            const ToolbarItem& item = state->items[static_cast<std::size_t>(hit)];
            button.name = item.caption.empty() ? item.hint : item.caption;
            button.shortcut = item.shortcut;
            button.enabled = item.enabled;
            button.pressed = state->pressed == hit && state->hot == hit;
            cell = state->layout.cells[static_cast<std::size_t>(hit)];
        }
        button.hot = state->hot == hit;
        button.shown = !cell.Empty();
        if (button.shown) {
            button.screen = ToRect(cell);
            MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&button.screen), 2);
        }
        buttons.push_back(std::move(button));
    }
    return buttons;
}

bool PressToolbarAccessibleButton(HWND bar, std::size_t child) {
    const ToolbarState* state = BarStateOf(bar);
    if (state == nullptr) {
        return false;
    }
    const std::vector<int> hits = AccessibleHits(*state);
    if (child >= hits.size()) {
        return false;
    }
    // Posted: a screen reader's call returns at once, and the command (or the chevron's list)
    // runs from the bar's own messages, as after a click.
    return PostMessageW(bar, kPressMessage, static_cast<WPARAM>(static_cast<INT_PTR>(hits[child])),
                        0) != FALSE;
}

int ToolbarAccessibleHit(HWND bar, POINT screen) {
    const ToolbarState* state = BarStateOf(bar);
    if (state == nullptr || !ScreenToClient(bar, &screen)) {
        return -1;
    }
    const int hit = ToolbarHitTest(state->layout, screen.x, screen.y);
    const std::vector<int> hits = AccessibleHits(*state);
    for (std::size_t i = 0; i < hits.size(); ++i) {
        if (hits[i] == hit) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace qb::ui
