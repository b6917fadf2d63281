#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "ui/toolbar.h"
#include "win/handles.h"

using qb::ui::ToolbarItem;

namespace {

constexpr int kBarId = 700;
constexpr UINT kNew = 1001;
constexpr UINT kCut = 1002;
constexpr UINT kCopy = 1003;
constexpr UINT kPaste = 1004;
constexpr UINT kExit = 1005;
constexpr std::size_t kCutIndex = 1;
constexpr std::size_t kSeparatorIndex = 4;
constexpr std::size_t kExitIndex = 5;

constexpr COLORREF kHotFill = RGB(198, 211, 239);
constexpr COLORREF kHotFrame = RGB(49, 105, 198);
constexpr COLORREF kSilhouette = RGB(116, 149, 216);
constexpr COLORREF kMagenta = RGB(255, 0, 255);

// Each test glyph is a solid square covering pixels 4..11 of the 16, in a colour of its own.
constexpr int kShapeFirst = 4;
constexpr int kShapeLast = 11;
COLORREF GlyphColour(int image) {
    return RGB(200, 30 + image * 40, 20);
}

struct DeleteGdi {
    void operator()(void* h) const { DeleteObject(static_cast<HGDIOBJ>(h)); }
};
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, DeleteGdi>;
using OwnedBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, DeleteGdi>;
struct DeleteDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
using OwnedDc = std::unique_ptr<std::remove_pointer_t<HDC>, DeleteDc>;
struct DestroyImages {
    void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};
using OwnedImages = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, DestroyImages>;
struct DestroyWindowOf {
    void operator()(HWND hwnd) const { DestroyWindow(hwnd); }
};
using OwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, DestroyWindowOf>;

// A bar as the window's builder makes one: a child of the class, then its font and items; at the
// top of parent, as wide as it and of the bar's own height.
HWND MakeBar(HWND parent, int id, HIMAGELIST images, HFONT font, std::vector<ToolbarItem> items) {
    qb::ui::RegisterActionToolBarClass();
    RECT client{};
    GetClientRect(parent, &client);
    const HWND bar = CreateWindowExW(
        0, qb::ui::kActionToolBarClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
        client.right, qb::ui::kActionToolBarHeight, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (bar != nullptr) {
        SendMessageW(bar, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        qb::ui::SetToolbarItems(bar, images, std::move(items));
    }
    return bar;
}

// A 32-bit top-down DIB with its own memory DC.
class Canvas {
  public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<const std::uint32_t*>(bits);
        dc_.reset(CreateCompatibleDC(nullptr));
        old_ = SelectObject(dc_.get(), bitmap_.get());
    }
    ~Canvas() { SelectObject(dc_.get(), old_); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_.get(); }
    HBITMAP Release() {
        SelectObject(dc_.get(), old_);
        old_ = nullptr;
        return bitmap_.release();
    }
    COLORREF At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) {
            ADD_FAILURE() << "pixel (" << x << ", " << y << ") is outside the picture";
            return CLR_INVALID;
        }
        GdiFlush();
        const std::uint32_t v = bits_[static_cast<std::size_t>(y) * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    int CountIn(const RECT& r, COLORREF colour) const {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                count += At(x, y) == colour ? 1 : 0;
            }
        }
        return count;
    }

  private:
    int width_;
    int height_;
    OwnedBitmap bitmap_;
    OwnedDc dc_;
    HGDIOBJ old_ = nullptr;
    const std::uint32_t* bits_ = nullptr;
};

std::string Hex(COLORREF c) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "#";
    for (const int part : {GetRValue(c), GetGValue(c), GetBValue(c)}) {
        text += kDigits[(part >> 4) & 0xF];
        text += kDigits[part & 0xF];
    }
    return text;
}

#define EXPECT_COLOUR(canvas, x, y, colour) \
    EXPECT_EQ(Hex((canvas).At((x), (y))), Hex(colour)) << "at (" << (x) << ", " << (y) << ")"

OwnedImages MakeImages() {
    OwnedImages images(ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 5, 0));
    for (int i = 0; i < 5; ++i) {
        Canvas glyph(16, 16);
        const RECT all{0, 0, 16, 16};
        const HBRUSH magenta = CreateSolidBrush(kMagenta);
        FillRect(glyph.dc(), &all, magenta);
        DeleteObject(magenta);
        const RECT shape{kShapeFirst, kShapeFirst, kShapeLast + 1, kShapeLast + 1};
        const HBRUSH colour = CreateSolidBrush(GlyphColour(i));
        FillRect(glyph.dc(), &shape, colour);
        DeleteObject(colour);
        OwnedBitmap bitmap(glyph.Release());
        ImageList_AddMasked(images.get(), bitmap.get(), kMagenta);
    }
    return images;
}

ToolbarItem Button(int image, const wchar_t* caption, bool showCaption, UINT command) {
    ToolbarItem item;
    item.image = image;
    item.caption = caption;
    item.showCaption = showCaption;
    item.command = command;
    return item;
}

ToolbarItem Separator() {
    ToolbarItem item;
    item.separator = true;
    return item;
}

std::vector<ToolbarItem> ProgramItems() {
    return {Button(4, L"New", false, kNew),
            Button(0, L"Вырезать", false, kCut),
            Button(1, L"Копировать", false, kCopy),
            Button(2, L"Вставить", false, kPaste),
            Separator(),
            Button(3, L"Выход", true, kExit)};
}

std::vector<std::pair<WPARAM, LPARAM>> g_commands;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        g_commands.emplace_back(wParam, lParam);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const wchar_t* HostClass() {
    static const wchar_t* name = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = L"ToolbarTestHost";
        RegisterClassExW(&wc);
        return L"ToolbarTestHost";
    }();
    return name;
}

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}
LPARAM CentreOf(const RECT& r) {
    return At((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

class ToolbarTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_commands.clear();
        images_ = MakeImages();
        font_.reset(CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH, L"MS Sans Serif"));
        host_.reset(CreateWindowExW(WS_EX_NOACTIVATE, HostClass(), L"Toolbar test", WS_POPUP, 40,
                                    40, 420, 80, nullptr, nullptr, GetModuleHandleW(nullptr),
                                    nullptr));
        ASSERT_NE(host_.get(), nullptr);
        bar_ = MakeBar(host_.get(), kBarId, images_.get(), font_.get(), ProgramItems());
        ASSERT_NE(bar_, nullptr);
        ShowWindow(host_.get(), SW_SHOWNA);
        Resize(400);
    }
    void TearDown() override { host_.reset(); }

    void Resize(int width) { MoveWindow(bar_, 0, 0, width, 26, TRUE); }
    RECT Cell(std::size_t index) const { return qb::ui::ToolbarItemRect(bar_, index); }

    // The bar as it draws itself now.
    std::unique_ptr<Canvas> Snapshot() const {
        RECT client{};
        GetClientRect(bar_, &client);
        auto canvas = std::make_unique<Canvas>(client.right, client.bottom);
        SendMessageW(bar_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc()), PRF_CLIENT);
        return canvas;
    }

    void Click(LPARAM down, LPARAM up) {
        SendMessageW(bar_, WM_LBUTTONDOWN, MK_LBUTTON, down);
        SendMessageW(bar_, WM_MOUSEMOVE, MK_LBUTTON, up);
        SendMessageW(bar_, WM_LBUTTONUP, 0, up);
    }

    OwnedImages images_;
    OwnedFont font_;
    OwnedWindow host_;
    HWND bar_ = nullptr;
};

// ---- Geometry ----

TEST_F(ToolbarTest, CellsFollowTheGlyphAndCaptionSizes) {
    EXPECT_EQ(GetDlgCtrlID(bar_), kBarId);
    EXPECT_EQ(GetParent(bar_), host_.get());

    for (std::size_t i = 0; i < 4; ++i) {
        const RECT r = Cell(i);
        EXPECT_EQ(r.left, 1 + 25 * static_cast<int>(i)) << i;
        EXPECT_EQ(r.top, 1) << i;
        EXPECT_EQ(r.right - r.left, 25) << i;
        EXPECT_EQ(r.bottom - r.top, 24) << i;
    }
    const RECT separator = Cell(kSeparatorIndex);
    EXPECT_EQ(separator.left, 101);
    EXPECT_EQ(separator.right - separator.left, 13);

    // The caption cell: margin, glyph, gap, the caption as the bar's font measures it, margin, 1.
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font_.get());
    SIZE caption{};
    GetTextExtentPoint32W(screen, L"Выход", 5, &caption);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    ASSERT_GT(caption.cx, 10);
    const RECT exit = Cell(kExitIndex);
    EXPECT_EQ(exit.left, separator.right);
    EXPECT_EQ(exit.right - exit.left, 4 + 16 + 4 + caption.cx + 4 + 1);
    EXPECT_EQ(exit.bottom - exit.top, 8 + std::max<int>(16, caption.cy));

    const RECT none = qb::ui::ToolbarItemRect(bar_, 99);
    EXPECT_TRUE(IsRectEmpty(&none));
    const RECT chevron = qb::ui::ToolbarChevronRect(bar_);
    EXPECT_TRUE(IsRectEmpty(&chevron));
}

// ---- Look ----

TEST_F(ToolbarTest, NormalCellsAreBarColouredWithTheGlyphAtRest) {
    const auto shot = Snapshot();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_COLOUR(*shot, 0, 0, face);  // the margin
    const RECT cut = Cell(kCutIndex);
    EXPECT_COLOUR(*shot, cut.left, cut.top + 10, face);  // no frame
    EXPECT_COLOUR(*shot, cut.left + 2, cut.top + 2, face);
    // Resting place: 4 pixels into the cell.
    const int x = cut.left + 4;
    const int y = cut.top + 4;
    EXPECT_COLOUR(*shot, x + kShapeFirst, y + kShapeFirst, GlyphColour(0));
    EXPECT_COLOUR(*shot, x + kShapeLast, y + kShapeLast, GlyphColour(0));
    EXPECT_COLOUR(*shot, x + kShapeFirst - 1, y + kShapeFirst - 1, face);
    EXPECT_COLOUR(*shot, x + kShapeLast + 1, y + kShapeLast + 1, face);  // no silhouette
    EXPECT_EQ(shot->CountIn(Cell(kExitIndex), GetSysColor(COLOR_BTNTEXT)) > 0, true)
        << "the Exit caption is drawn in the button-text colour";
}

TEST_F(ToolbarTest, HotCellIsFilledFramedAndItsGlyphRaised) {
    const RECT cut = Cell(kCutIndex);
    SendMessageW(bar_, WM_MOUSEMOVE, 0, CentreOf(cut));
    const auto shot = Snapshot();

    EXPECT_COLOUR(*shot, cut.left + 2, cut.top + 2, kHotFill);
    EXPECT_COLOUR(*shot, cut.right - 3, cut.bottom - 3, kHotFill);
    EXPECT_COLOUR(*shot, cut.left, cut.top + 10, kHotFrame);
    EXPECT_COLOUR(*shot, cut.right - 1, cut.top + 10, kHotFrame);
    EXPECT_COLOUR(*shot, cut.left + 10, cut.top, kHotFrame);
    EXPECT_COLOUR(*shot, cut.left + 10, cut.bottom - 1, kHotFrame);

    const int x = cut.left + 4;
    const int y = cut.top + 4;
    // The glyph one pixel up and left of its resting place...
    EXPECT_COLOUR(*shot, x + kShapeFirst - 1, y + kShapeFirst - 1, GlyphColour(0));
    EXPECT_COLOUR(*shot, x + kShapeLast - 1, y + kShapeLast - 1, GlyphColour(0));
    // ...over its silhouette one pixel down and right of it.
    EXPECT_COLOUR(*shot, x + kShapeLast, y + kShapeLast, kSilhouette);
    EXPECT_COLOUR(*shot, x + kShapeLast + 1, y + kShapeLast + 1, kSilhouette);
    EXPECT_COLOUR(*shot, x + kShapeLast + 2, y + kShapeLast + 2, kHotFill);
    // The silhouette covers only the glyph's opaque pixels.
    EXPECT_COLOUR(*shot, x + kShapeFirst, y + kShapeLast + 2, kHotFill);

    // Only the cell under the mouse is hot.
    const RECT neighbour = Cell(kCutIndex + 1);
    EXPECT_COLOUR(*shot, neighbour.left + 2, neighbour.top + 2, GetSysColor(COLOR_BTNFACE));

    // Moving off the items and leaving the bar both end the hot look.
    SendMessageW(bar_, WM_MOUSEMOVE, 0, At(300, 12));
    EXPECT_COLOUR(*Snapshot(), cut.left + 2, cut.top + 2, GetSysColor(COLOR_BTNFACE));
    SendMessageW(bar_, WM_MOUSEMOVE, 0, CentreOf(cut));
    SendMessageW(bar_, WM_MOUSELEAVE, 0, 0);
    EXPECT_COLOUR(*Snapshot(), cut.left + 2, cut.top + 2, GetSysColor(COLOR_BTNFACE));
}

TEST_F(ToolbarTest, PressedGlyphRestsOnItsSilhouette) {
    const RECT cut = Cell(kCutIndex);
    SendMessageW(bar_, WM_MOUSEMOVE, 0, CentreOf(cut));
    SendMessageW(bar_, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(cut));
    EXPECT_EQ(GetCapture(), bar_);
    const auto shot = Snapshot();
    const int x = cut.left + 4;
    const int y = cut.top + 4;
    EXPECT_COLOUR(*shot, cut.left + 2, cut.top + 2, kHotFill);
    EXPECT_COLOUR(*shot, cut.left, cut.top + 10, kHotFrame);
    EXPECT_COLOUR(*shot, x + kShapeFirst - 1, y + kShapeFirst - 1, kHotFill);
    EXPECT_COLOUR(*shot, x + kShapeFirst, y + kShapeFirst, GlyphColour(0));
    EXPECT_COLOUR(*shot, x + kShapeLast, y + kShapeLast, GlyphColour(0));
    EXPECT_COLOUR(*shot, x + kShapeLast + 1, y + kShapeLast + 1, kSilhouette);

    // Dragged off the cell it shows normal; the release there executes nothing.
    SendMessageW(bar_, WM_MOUSEMOVE, MK_LBUTTON, At(300, 12));
    EXPECT_COLOUR(*Snapshot(), cut.left + 2, cut.top + 2, GetSysColor(COLOR_BTNFACE));
    SendMessageW(bar_, WM_LBUTTONUP, 0, At(300, 12));
    EXPECT_NE(GetCapture(), bar_);
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(ToolbarTest, ScreenPaintMatchesTheHotLook) {
    const RECT cut = Cell(kCutIndex);
    SendMessageW(bar_, WM_MOUSEMOVE, 0, CentreOf(cut));
    RedrawWindow(bar_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(bar_, &client);
    Canvas shot(client.right, client.bottom);
    HDC dc = GetDC(bar_);
    BitBlt(shot.dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(bar_, dc);
    EXPECT_COLOUR(shot, cut.left + 2, cut.top + 2, kHotFill);
    EXPECT_COLOUR(shot, cut.left, cut.top + 10, kHotFrame);
    EXPECT_COLOUR(shot, cut.left + 4 + kShapeLast + 1, cut.top + 4 + kShapeLast + 1, kSilhouette);
    EXPECT_COLOUR(shot, 0, 0, GetSysColor(COLOR_BTNFACE));
}

TEST_F(ToolbarTest, SeparatorIsAnEtchedLineThatIgnoresTheMouse) {
    const RECT sep = Cell(kSeparatorIndex);
    SendMessageW(bar_, WM_MOUSEMOVE, 0, CentreOf(sep));
    const auto shot = Snapshot();
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const int mid = (sep.top + sep.bottom) / 2;
    int line = -1;
    for (int x = sep.left; x < sep.right; ++x) {
        if (shot->At(x, mid) == shadow) {
            EXPECT_EQ(line, -1) << "one shadow column only";
            line = x;
        }
    }
    ASSERT_NE(line, -1);
    // In the middle of the cell.
    EXPECT_GE(line - sep.left, 4);
    EXPECT_LE(sep.right - 1 - (line + 1), 7);
    EXPECT_LE((line - sep.left) - (sep.right - 1 - (line + 1)), 1);
    EXPECT_GE((line - sep.left) - (sep.right - 1 - (line + 1)), -1);
    for (int y = sep.top + 1; y <= sep.bottom - 2; ++y) {
        EXPECT_COLOUR(*shot, line, y, shadow);
        EXPECT_COLOUR(*shot, line + 1, y, highlight);
    }
    EXPECT_COLOUR(*shot, line, sep.top, face);
    EXPECT_COLOUR(*shot, line, sep.bottom - 1, face);
    EXPECT_COLOUR(*shot, line - 1, mid, face);
    EXPECT_COLOUR(*shot, line + 2, mid, face);
    // No hot fill anywhere on the bar.
    RECT client{};
    GetClientRect(bar_, &client);
    EXPECT_EQ(shot->CountIn(client, kHotFill), 0);

    Click(CentreOf(sep), CentreOf(sep));
    EXPECT_TRUE(g_commands.empty());
    EXPECT_NE(GetCapture(), bar_);
}

// ---- Clicks ----

TEST_F(ToolbarTest, ReleaseInThePressedCellSendsItsCommand) {
    Click(CentreOf(Cell(kCutIndex)), CentreOf(Cell(kCutIndex)));
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].first, MAKEWPARAM(kCut, 0));
    EXPECT_EQ(g_commands[0].second, reinterpret_cast<LPARAM>(bar_));
    EXPECT_NE(GetCapture(), bar_);

    // Anywhere inside the cell counts, up to its edges.
    const RECT exit = Cell(kExitIndex);
    Click(At(exit.left, exit.top), At(exit.right - 1, exit.bottom - 1));
    ASSERT_EQ(g_commands.size(), 2u);
    EXPECT_EQ(g_commands[1].first, MAKEWPARAM(kExit, 0));

    // Out of the cell and back in before the release still counts.
    const RECT copy = Cell(2);
    SendMessageW(bar_, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(copy));
    SendMessageW(bar_, WM_MOUSEMOVE, MK_LBUTTON, CentreOf(Cell(3)));
    SendMessageW(bar_, WM_MOUSEMOVE, MK_LBUTTON, CentreOf(copy));
    SendMessageW(bar_, WM_LBUTTONUP, 0, CentreOf(copy));
    ASSERT_EQ(g_commands.size(), 3u);
    EXPECT_EQ(g_commands[2].first, MAKEWPARAM(kCopy, 0));
}

TEST_F(ToolbarTest, ReleaseElsewhereSendsNothing) {
    Click(CentreOf(Cell(kCutIndex)), CentreOf(Cell(kCutIndex + 1)));
    Click(CentreOf(Cell(0)), At(0, 0));     // the margin
    Click(At(300, 12), CentreOf(Cell(0)));  // pressed beside the items
    EXPECT_TRUE(g_commands.empty());
    // A lost capture cancels the press.
    SendMessageW(bar_, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(Cell(0)));
    ReleaseCapture();
    SendMessageW(bar_, WM_LBUTTONUP, 0, CentreOf(Cell(0)));
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(ToolbarTest, DisabledItemIsGreyedAndInert) {
    qb::ui::SetToolbarItemEnabled(bar_, kCut, false);
    qb::ui::SetToolbarItemEnabled(bar_, kExit, false);
    const RECT cut = Cell(kCutIndex);
    SendMessageW(bar_, WM_MOUSEMOVE, 0, CentreOf(cut));
    const auto shot = Snapshot();
    RECT client{};
    GetClientRect(bar_, &client);
    EXPECT_EQ(shot->CountIn(client, kHotFill), 0);
    // Greyed glyph: none of its own colour left.
    EXPECT_EQ(shot->CountIn(cut, GlyphColour(0)), 0);
    EXPECT_COLOUR(*shot, cut.left + 4 + kShapeFirst, cut.top + 4 + kShapeFirst,
                  GetSysColor(COLOR_BTNSHADOW));
    // Greyed caption.
    const RECT exit = Cell(kExitIndex);
    const RECT caption{exit.left + 24, exit.top, exit.right, exit.bottom};
    EXPECT_GT(shot->CountIn(caption, GetSysColor(COLOR_GRAYTEXT)), 0);
    EXPECT_EQ(shot->CountIn(caption, GetSysColor(COLOR_BTNTEXT)), 0);

    Click(CentreOf(cut), CentreOf(cut));
    Click(CentreOf(exit), CentreOf(exit));
    EXPECT_TRUE(g_commands.empty());

    // Enabled again, it works again; other commands were never affected.
    qb::ui::SetToolbarItemEnabled(bar_, kCut, true);
    Click(CentreOf(cut), CentreOf(cut));
    Click(CentreOf(Cell(0)), CentreOf(Cell(0)));
    ASSERT_EQ(g_commands.size(), 2u);
    EXPECT_EQ(g_commands[0].first, MAKEWPARAM(kCut, 0));
    EXPECT_EQ(g_commands[1].first, MAKEWPARAM(kNew, 0));
}

TEST_F(ToolbarTest, DisablingThePressedItemCancelsThePress) {
    const RECT cut = Cell(kCutIndex);
    SendMessageW(bar_, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(cut));
    qb::ui::SetToolbarItemEnabled(bar_, kCut, false);
    EXPECT_NE(GetCapture(), bar_);
    qb::ui::SetToolbarItemEnabled(bar_, kCut, true);
    SendMessageW(bar_, WM_LBUTTONUP, 0, CentreOf(cut));
    EXPECT_TRUE(g_commands.empty());
}

// ---- Overflow ----

TEST_F(ToolbarTest, NarrowBarHidesRightItemsBehindTheChevron) {
    Resize(130);
    RECT exit = Cell(kExitIndex);
    EXPECT_TRUE(IsRectEmpty(&exit));
    const RECT paste = Cell(3);
    EXPECT_FALSE(IsRectEmpty(&paste));
    const RECT chevron = qb::ui::ToolbarChevronRect(bar_);
    EXPECT_EQ(chevron.right, 129);
    EXPECT_EQ(chevron.top, 1);
    EXPECT_EQ(chevron.bottom, 25);
    EXPECT_GE(chevron.left, Cell(kSeparatorIndex).right);

    auto shot = Snapshot();
    EXPECT_GT(shot->CountIn(chevron, GetSysColor(COLOR_BTNTEXT)), 4) << "the >> marks";
    EXPECT_EQ(shot->CountIn(chevron, kHotFill), 0);
    SendMessageW(bar_, WM_MOUSEMOVE, 0, CentreOf(chevron));
    shot = Snapshot();
    EXPECT_COLOUR(*shot, chevron.left + 1, chevron.top + 2, kHotFill);
    EXPECT_COLOUR(*shot, chevron.left, chevron.top + 2, kHotFrame);

    // The hint sits on the chevron.
    const HWND tip = qb::ui::ToolbarTooltip(bar_);
    ASSERT_NE(tip, nullptr);
    ASSERT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    std::wstring text(INFOTIPSIZE, L'\0');
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    ASSERT_TRUE(SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&info)));
    info.lpszText = text.data();
    SendMessageW(tip, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(text.c_str(), L"More Buttons");
    EXPECT_TRUE(EqualRect(&info.rect, &chevron));

    // Narrower still: fewer items; wide again: all back, no chevron.
    Resize(70);
    const RECT cut = Cell(kCutIndex);
    EXPECT_FALSE(IsRectEmpty(&cut));
    const RECT copy = Cell(2);
    EXPECT_TRUE(IsRectEmpty(&copy));
    Resize(400);
    exit = Cell(kExitIndex);
    EXPECT_FALSE(IsRectEmpty(&exit));
    const RECT gone = qb::ui::ToolbarChevronRect(bar_);
    EXPECT_TRUE(IsRectEmpty(&gone));
    EXPECT_EQ(Snapshot()->CountIn(RECT{chevron.left, 0, 400, 26}, kHotFill), 0);

    // Hidden items do not react where they would have been.
    Resize(130);
    Click(At(140, 12), At(140, 12));
    EXPECT_TRUE(g_commands.empty());
}

// What the drop-down showed, and what the test does with it once it is open.
struct MenuProbe {
    std::vector<std::wstring> items;  // "-" for a separator
    std::vector<bool> enabled;
    std::vector<WPARAM> keys;  // pressed in order once the menu is up
    bool seen = false;
    int ticks = 0;
};
MenuProbe g_probe;

void CALLBACK ProbeMenu(HWND, UINT, UINT_PTR id, DWORD) {
    const HWND menuWindow = FindWindowW(L"#32768", nullptr);
    if (menuWindow == nullptr || !IsWindowVisible(menuWindow)) {
        if (++g_probe.ticks > 100) {
            KillTimer(nullptr, id);
        }
        return;
    }
    KillTimer(nullptr, id);
    g_probe.seen = true;
    const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, 0x01E1, 0, 0));
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        if (info.fType & MFT_SEPARATOR) {
            g_probe.items.push_back(L"-");
            continue;
        } else {
            std::wstring text(info.cch + 1, L'\0');
            info.dwTypeData = text.data();
            info.cch = static_cast<UINT>(text.size());
            GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
            text.resize(info.cch);
            g_probe.items.push_back(text);
        }
        g_probe.enabled.push_back((info.fState & MFS_DISABLED) == 0);
    }
    if (g_probe.keys.empty()) {
        EndMenu();
    }
    for (const WPARAM key : g_probe.keys) {
        PostMessageW(menuWindow, WM_KEYDOWN, key, 0);
        PostMessageW(menuWindow, WM_KEYUP, key, 0xC0000000);
    }
}

void OpenChevronMenu(HWND bar, std::vector<WPARAM> keys) {
    g_probe = {};
    g_probe.keys = std::move(keys);
    SetTimer(nullptr, 0, 20, ProbeMenu);
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(qb::ui::ToolbarChevronRect(bar)));
    SendMessageW(bar, WM_LBUTTONUP, 0, CentreOf(qb::ui::ToolbarChevronRect(bar)));
}

TEST_F(ToolbarTest, ChevronListsHiddenItemsAndExecutesTheChosenOne) {
    Resize(80);  // New and Cut fit
    const RECT cut = Cell(kCutIndex);
    const RECT copy = Cell(2);
    ASSERT_FALSE(IsRectEmpty(&cut));
    ASSERT_TRUE(IsRectEmpty(&copy));
    qb::ui::SetToolbarItemEnabled(bar_, kPaste, false);

    OpenChevronMenu(bar_, {});
    ASSERT_TRUE(g_probe.seen);
    EXPECT_EQ(g_probe.items,
              (std::vector<std::wstring>{L"Копировать", L"Вставить", L"-", L"Выход"}));
    EXPECT_EQ(g_probe.enabled, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(g_commands.empty()) << "dismissed without a choice";

    // The last item: up from no selection, then Return.
    OpenChevronMenu(bar_, {VK_UP, VK_RETURN});
    ASSERT_TRUE(g_probe.seen);
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].first, MAKEWPARAM(kExit, 0));
    EXPECT_EQ(g_commands[0].second, reinterpret_cast<LPARAM>(bar_));

    // The first item.
    OpenChevronMenu(bar_, {VK_DOWN, VK_RETURN});
    ASSERT_EQ(g_commands.size(), 2u);
    EXPECT_EQ(g_commands[1].first, MAKEWPARAM(kCopy, 0));

    // Escape closes it without a command.
    OpenChevronMenu(bar_, {VK_ESCAPE});
    EXPECT_EQ(g_commands.size(), 2u);
}

TEST_F(ToolbarTest, SeveralBarsKeepTheirOwnItems) {
    std::vector<ToolbarItem> one = {Button(0, L"One", true, 42)};
    const HWND second =
        MakeBar(host_.get(), kBarId + 1, images_.get(), font_.get(), std::move(one));
    ASSERT_NE(second, nullptr);
    MoveWindow(second, 0, 30, 400, 26, TRUE);
    const RECT r = qb::ui::ToolbarItemRect(second, 0);
    SendMessageW(second, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(r));
    SendMessageW(second, WM_LBUTTONUP, 0, CentreOf(r));
    Click(CentreOf(Cell(0)), CentreOf(Cell(0)));
    ASSERT_EQ(g_commands.size(), 2u);
    EXPECT_EQ(g_commands[0].first, MAKEWPARAM(42, 0));
    EXPECT_EQ(g_commands[0].second, reinterpret_cast<LPARAM>(second));
    EXPECT_EQ(g_commands[1].first, MAKEWPARAM(kNew, 0));
    // Not a bar: the queries answer empty instead of reading someone else's data.
    const RECT none = qb::ui::ToolbarItemRect(host_.get(), 0);
    EXPECT_TRUE(IsRectEmpty(&none));
    DestroyWindow(second);
}

// ---- Screen readers ----

TEST_F(ToolbarTest, AccessibleDefaultActionIsTheClick) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        qb::win::ComRef<IAccessible> object;
        const LRESULT result = SendMessageW(bar_, WM_GETOBJECT, 0, OBJID_CLIENT);
        ASSERT_GT(result, 0);
        ASSERT_EQ(ObjectFromLresult(result, __uuidof(IAccessible), 0,
                                    reinterpret_cast<void**>(object.put())),
                  S_OK);
        VARIANT cut;
        VariantInit(&cut);
        cut.vt = VT_I4;
        cut.lVal = static_cast<LONG>(kCutIndex) + 1;  // child ids count the buttons from 1
        const auto pump = [] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&msg);
            }
        };

        EXPECT_EQ(object->accDoDefaultAction(cut), S_OK);
        EXPECT_TRUE(g_commands.empty()) << "the caller has its answer before the command runs";
        pump();
        ASSERT_EQ(g_commands.size(), 1u);
        EXPECT_EQ(g_commands[0].first, MAKEWPARAM(kCut, 0));
        EXPECT_EQ(g_commands[0].second, reinterpret_cast<LPARAM>(bar_));

        // A disabled button does what a click on it does: nothing.
        qb::ui::SetToolbarItemEnabled(bar_, kCut, false);
        object->accDoDefaultAction(cut);
        pump();
        EXPECT_EQ(g_commands.size(), 1u);
    }
    CoUninitialize();
}

// ---- Display scales ----

// Image lists of every art size whose glyphs fill their whole square, so that the drawn glyph
// shows its size.
OwnedImages MakeFullImages(int size) {
    OwnedImages images(ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 5, 0));
    for (int i = 0; i < 5; ++i) {
        Canvas glyph(size, size);
        const RECT all{0, 0, size, size};
        const HBRUSH colour = CreateSolidBrush(GlyphColour(i));
        FillRect(glyph.dc(), &all, colour);
        DeleteObject(colour);
        OwnedBitmap bitmap(glyph.Release());
        ImageList_AddMasked(images.get(), bitmap.get(), kMagenta);
    }
    return images;
}

// The bounding box of a colour's pixels inside a rectangle.
RECT ExtentOf(const Canvas& canvas, const RECT& within, COLORREF colour) {
    RECT box{within.right, within.bottom, within.left, within.top};
    for (int y = within.top; y < within.bottom; ++y) {
        for (int x = within.left; x < within.right; ++x) {
            if (canvas.At(x, y) == colour) {
                box.left = std::min<int>(box.left, x);
                box.top = std::min<int>(box.top, y);
                box.right = std::max<int>(box.right, x + 1);
                box.bottom = std::max<int>(box.bottom, y + 1);
            }
        }
    }
    return box;
}

TEST_F(ToolbarTest, CellsAndGlyphsFollowTheDisplayScale) {
    OwnedImages full16 = MakeFullImages(16);
    OwnedImages full24 = MakeFullImages(24);
    OwnedImages full32 = MakeFullImages(32);
    qb::ui::SetToolbarItems(bar_, full16.get(), ProgramItems());
    qb::ui::SetToolbarImageSizes(bar_, {full16.get(), full24.get(), full32.get()});

    // The window's rule: the height of "0" in its font over 13 (MS Sans Serif's "0" is 13, 16
    // and 20 pixels high at 96, 120 and 144 pixels per inch; 26 stands for twice the design).
    struct Scale {
        int dpi;
        int zero;
        int art;  // the art the glyphs are drawn from
    };
    for (const Scale scale :
         {Scale{96, 13, 16}, Scale{120, 16, 24}, Scale{144, 20, 24}, Scale{192, 26, 32}}) {
        const int zero = scale.zero;
        const double factor = zero / 13.0;
        qb::ui::SetToolbarScale(bar_, zero, 13);
        const int barHeight = MulDiv(26, zero, 13);
        MoveWindow(bar_, 0, 0, 400, barHeight, TRUE);
        SendMessageW(bar_, WM_MOUSEMOVE, 0, At(399, barHeight - 1));  // nothing hot
        const auto shot = Snapshot();
        std::printf("%d pixels per inch: \"0\" %d high, bar %d high, cell %ld high, art %d\n",
                    scale.dpi, zero, barHeight, Cell(0).bottom - Cell(0).top, scale.art);

        for (std::size_t i = 0; i < 4; ++i) {
            const RECT cell = Cell(i);
            // The design's 25 by 24 cell at the scale, within a pixel; inside the bar.
            EXPECT_NEAR(cell.right - cell.left, 25 * factor, 1.0) << scale.dpi << " " << i;
            EXPECT_NEAR(cell.bottom - cell.top, 24 * factor, 1.0) << scale.dpi << " " << i;
            EXPECT_LE(cell.bottom, barHeight) << scale.dpi;
            EXPECT_NEAR(cell.top, 1 * factor, 1.0) << scale.dpi;
            // The glyph is the art at its own size, never stretched, centred in its cell: within
            // a pixel of the scale, but at 125 %, where no art is (the 24-pixel art, at or above
            // the 20 pixels asked, is drawn).
            const int image = i == 0 ? 4 : static_cast<int>(i) - 1;
            const RECT glyph = ExtentOf(*shot, cell, GlyphColour(image));
            EXPECT_EQ(glyph.right - glyph.left, scale.art) << scale.dpi << " " << i;
            EXPECT_EQ(glyph.bottom - glyph.top, scale.art) << scale.dpi << " " << i;
            if (scale.dpi != 120) {
                EXPECT_NEAR(glyph.right - glyph.left, 16 * factor, 1.0) << scale.dpi;
            }
            EXPECT_LE(std::abs((glyph.left - cell.left) - (cell.right - 1 * factor - glyph.right)),
                      2)
                << scale.dpi << " " << i;
            EXPECT_LE(std::abs((glyph.top - cell.top) - (cell.bottom - glyph.bottom)), 1)
                << scale.dpi << " " << i;
        }
        // The separator's cell and its etched line, in the middle, as wide as the scale's lines.
        const RECT sep = Cell(kSeparatorIndex);
        EXPECT_NEAR(sep.right - sep.left, 13 * factor, 1.0) << scale.dpi;
        const RECT line = ExtentOf(*shot, sep, GetSysColor(COLOR_BTNSHADOW));
        EXPECT_NEAR(line.right - line.left, factor, 0.5) << scale.dpi;
        EXPECT_NEAR(line.bottom - line.top, sep.bottom - sep.top - 2 * factor, 1.0) << scale.dpi;
        // The caption cell: the glyph's room at the scale, the caption in the bar's font.
        const RECT exit = Cell(kExitIndex);
        EXPECT_NEAR(exit.bottom - exit.top, 24 * factor, 1.0) << scale.dpi;
    }
    // Back at the design scale, the design's cells.
    qb::ui::SetToolbarScale(bar_, 13, 13);
    MoveWindow(bar_, 0, 0, 400, 26, TRUE);
    EXPECT_EQ(Cell(0).right - Cell(0).left, 25);
    EXPECT_EQ(Cell(0).bottom - Cell(0).top, 24);
}

// ---- High contrast ----

// A high-contrast theme's colours for a test's length, the bar told of the theme (Wine has no
// high-contrast setting of its own to turn on).
class HighContrastTheme {
  public:
    explicit HighContrastTheme(HWND bar) : bar_(bar) {
        for (std::size_t i = 0; i < kElements.size(); ++i) {
            saved_[i] = GetSysColor(kElements[i]);
        }
        SetSysColors(static_cast<int>(kElements.size()), kElements.data(), kColours.data());
        qb::ui::SetToolbarHighContrast(bar_, true);
        SendMessageW(bar_, WM_SYSCOLORCHANGE, 0, 0);
    }
    ~HighContrastTheme() {
        SetSysColors(static_cast<int>(kElements.size()), kElements.data(), saved_.data());
        qb::ui::SetToolbarHighContrast(bar_, false);
        SendMessageW(bar_, WM_SYSCOLORCHANGE, 0, 0);
    }
    HighContrastTheme(const HighContrastTheme&) = delete;
    HighContrastTheme& operator=(const HighContrastTheme&) = delete;

    static bool Allowed(COLORREF c) {
        return std::find(kColours.begin(), kColours.end(), c) != kColours.end();
    }

    static constexpr std::array<int, 7> kElements = {
        COLOR_BTNFACE,  COLOR_BTNTEXT,   COLOR_HIGHLIGHT,   COLOR_HIGHLIGHTTEXT,
        COLOR_GRAYTEXT, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT};
    // Black face, yellow text, teal highlight with near-black text on it, green grey text; the
    // shadow and highlight the face's own, as high-contrast themes have them.
    static constexpr std::array<COLORREF, 7> kColours = {
        RGB(0, 0, 0),   RGB(255, 255, 0), RGB(0, 128, 128), RGB(1, 1, 1),
        RGB(0, 255, 0), RGB(0, 0, 0),     RGB(0, 0, 0)};

  private:
    HWND bar_;
    std::array<COLORREF, 7> saved_{};
};

TEST_F(ToolbarTest, HighContrastDrawsInTheSystemsColoursOnly) {
    std::unique_ptr<Canvas> shot;
    RECT client{};
    GetClientRect(bar_, &client);
    {
        HighContrastTheme theme(bar_);
        qb::ui::SetToolbarItemEnabled(bar_, kCopy, false);
        SendMessageW(bar_, WM_MOUSEMOVE, 0, CentreOf(Cell(kCutIndex)));
        shot = Snapshot();
        int strays = 0;
        for (int y = 0; y < client.bottom; ++y) {
            for (int x = 0; x < client.right; ++x) {
                if (!HighContrastTheme::Allowed(shot->At(x, y)) && strays++ < 5) {
                    ADD_FAILURE() << Hex(shot->At(x, y)) << " at (" << x << ", " << y << ")";
                }
            }
        }
        EXPECT_EQ(strays, 0);
        // Every glyph a mask of its 8-by-8 shape: in the text colour at rest, the highlight's
        // text colour on the hot cell's highlight, grey text while disabled.
        const int shape = (kShapeLast - kShapeFirst + 1) * (kShapeLast - kShapeFirst + 1);
        EXPECT_EQ(shot->CountIn(Cell(0), HighContrastTheme::kColours[1]), shape);
        const RECT cut = Cell(kCutIndex);
        EXPECT_EQ(shot->CountIn(cut, HighContrastTheme::kColours[3]), shape);
        EXPECT_EQ(shot->CountIn(cut, HighContrastTheme::kColours[2]),
                  (cut.right - cut.left) * (cut.bottom - cut.top) - shape);
        EXPECT_EQ(shot->CountIn(Cell(2), HighContrastTheme::kColours[4]), shape);
        // The separator: a line in the text colour on the face, which the theme's shadow is too.
        EXPECT_GT(shot->CountIn(Cell(kSeparatorIndex), HighContrastTheme::kColours[1]), 10);
        // The caption in the text colour.
        EXPECT_GT(shot->CountIn(Cell(kExitIndex), HighContrastTheme::kColours[1]), shape + 10);
    }
    // The theme off again: the glyphs in their own colours.
    SendMessageW(bar_, WM_MOUSEMOVE, 0, At(399, 25));
    shot = Snapshot();
    EXPECT_EQ(shot->CountIn(Cell(0), GlyphColour(4)), 64);
}

}  // namespace
