// Painting: update regions, WM_PAINT, device contexts on the retained surfaces, scrolling,
// the non-client frame and scroll bars, and the default window procedure.

#include <algorithm>
#include <map>

#include "platform/core/Colors.h"
#include "platform/core/Math.h"
#include "platform/core/Utf8.h"
#include "platform/win/WinCoreInternal.h"

namespace win {
namespace {

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }
QRect ToQ(const RECT& r) { return QRect(r.left, r.top, Width(r), Height(r)); }
RECT FromQ(const QRect& q) { return RECT{q.left(), q.top(), q.left() + q.width(), q.top() + q.height()}; }

std::map<std::uintptr_t, HWND>& DcOwners() {
  static std::map<std::uintptr_t, HWND> m;
  return m;
}

QPoint WindowOriginInTop(WindowRec* r) {
  WindowRec* p = Find(r->parent);
  if (!p) return QPoint(0, 0);
  return WindowOriginInTop(p) + QPoint(p->client.left + r->rect.left, p->client.top + r->rect.top);
}

QRegion ShapeInTop(WindowRec* r) {
  QPoint o = WindowOriginInTop(r);
  QRegion shape(QRect(o, QSize(Width(r->rect), Height(r->rect))));
  if (r->region) shape &= r->region->translated(o);
  return shape;
}

bool NeedsPaint(WindowRec* r) { return !r->update.isEmpty() || r->internalPaint || r->ncDirty; }

HWND FirstToPaint(HWND wnd, HWND filter) {
  WindowRec* r = Find(wnd);
  if (!r || !(r->style & WS_VISIBLE)) return {};
  bool match = !filter || wnd == filter || IsChild(filter, wnd);
  if (match && NeedsPaint(r) && !r->redrawOff) return wnd;
  std::vector<HWND> children = r->children;
  for (HWND c : children)
    if (HWND h = FirstToPaint(c, filter)) return h;
  return {};
}

// Adds `rgn` (client coordinates of `wnd`) to the update region, and to the children unless
// the window clips them (or `children` says otherwise: 1 all, -1 none, 0 by style).
void AddUpdate(HWND wnd, const QRegion& rgn, bool erase, int children, bool frame) {
  WindowRec* r = Find(wnd);
  if (!r || !IsWindowVisible(wnd)) return;
  QRect client(0, 0, Width(r->client), Height(r->client));
  QRegion part = rgn & client;
  if (!part.isEmpty()) {
    r->update |= part;
    r->erase = r->erase || erase;
  }
  if (frame) r->ncDirty = true;
  bool doChildren = children > 0 || (children == 0 && !(r->style & WS_CLIPCHILDREN));
  if (!doChildren) return;
  for (HWND c : r->children) {
    WindowRec* cr = Find(c);
    if (!cr || !(cr->style & WS_VISIBLE)) continue;
    QRect wr = ToQ(cr->rect);
    QRegion inChild = rgn & wr;
    if (inChild.isEmpty()) continue;
    QRegion local = inChild.translated(-cr->rect.left - cr->client.left, -cr->rect.top - cr->client.top);
    bool touchesFrame = !(inChild - ToQ(cr->client).translated(cr->rect.left, cr->rect.top)).isEmpty();
    AddUpdate(c, local, erase, children, touchesFrame);
  }
}

void Subtract(HWND wnd, const QRegion& rgn, int children) {
  WindowRec* r = Find(wnd);
  if (!r) return;
  r->update -= rgn;
  if (r->update.isEmpty()) r->erase = false;
  bool doChildren = children > 0 || (children == 0 && !(r->style & WS_CLIPCHILDREN));
  if (!doChildren) return;
  for (HWND c : r->children) {
    WindowRec* cr = Find(c);
    if (!cr) continue;
    Subtract(c, rgn.translated(-cr->rect.left - cr->client.left, -cr->rect.top - cr->client.top), children);
  }
}

QRegion RegionArg(HWND wnd, const RECT* rect, HRGN rgn) {
  WindowRec* r = Find(wnd);
  if (rgn) return RegionFromHRGN(rgn);
  if (rect) return QRegion(ToQ(*rect));
  return QRegion(QRect(0, 0, Width(r->client), Height(r->client)));
}

void PaintNow(HWND wnd, bool children) {
  WindowRec* r = Find(wnd);
  if (!r || !IsWindowVisible(wnd)) return;
  if (NeedsPaint(r) && !r->redrawOff) {
    SendMessage(wnd, WM_PAINT, 0, 0);
    ValidateUnpainted(wnd);
  }
  if (!children || !(r = Find(wnd))) return;
  std::vector<HWND> kids = r->children;
  for (HWND c : kids) PaintNow(c, true);
}

int RegionKind(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// ---- the non-client frame ----
int FrameInset(WindowRec* r) {
  DWORD st = r->style;
  int inset = 0;
  bool top = !r->parent;
  if ((st & WS_CAPTION) == WS_CAPTION) {
    if (!top) inset += 3;  // the window manager frames top-level windows with captions
  } else if (st & WS_THICKFRAME) {
    inset += 4;
  } else if (st & WS_DLGFRAME) {
    inset += 3;
  } else if (st & WS_BORDER) {
    inset += 1;
  }
  if (r->exStyle & WS_EX_CLIENTEDGE) inset += 2;
  if (r->exStyle & WS_EX_STATICEDGE) inset += 1;
  return inset;
}

struct BarGeometry {
  RECT bar;  // window coordinates
  int arrow = 0;
  int thumbTop = 0;  // relative to the bar
  int thumbBottom = 0;
  bool hasThumb = false;
};

BarGeometry BarLayout(WindowRec* r, bool vertical) {
  int sz = GetSystemMetrics(SM_CXVSCROLL);
  BarGeometry g;
  g.bar = vertical ? RECT{r->client.right, r->client.top, r->client.right + sz, r->client.bottom}
                   : RECT{r->client.left, r->client.bottom, r->client.right, r->client.bottom + sz};
  int length = vertical ? Height(g.bar) : Width(g.bar);
  g.arrow = std::min(sz, length / 2);
  int track = length - 2 * g.arrow;
  const ScrollBarRec& b = vertical ? r->vbar : r->hbar;
  int range = b.max - b.min + 1;
  if (track <= 0 || range <= 0 || b.max <= b.min || b.arrowsDisabled == ESB_DISABLE_BOTH) return g;
  int thumb = b.page ? std::max(MulDiv(track, static_cast<int>(b.page), range), 8) : sz;
  if (thumb > track) return g;
  int span = b.max - b.min - std::max(static_cast<int>(b.page) - 1, 0);
  int offset = span > 0 ? MulDiv(b.pos - b.min, track - thumb, span) : 0;
  g.hasThumb = true;
  g.thumbTop = g.arrow + offset;
  g.thumbBottom = g.thumbTop + thumb;
  return g;
}

}  // namespace

QRegion RegionFromHRGN(HRGN rgn) {
  QRegion q;
  for (const RECT& r : GetRegionRects(rgn)) q |= ToQ(r);
  return q;
}

HRGN HRGNFromRegion(const QRegion& r) {
  std::vector<RECT> rects;
  for (const QRect& q : r) rects.push_back(FromQ(q));
  return CreateRegionFromRects(rects);
}

HWND NextWindowToPaint(HWND filter) {
  for (HWND h : TopLevelWindows())
    if (HWND w = FirstToPaint(h, filter)) return w;
  return {};
}

void ValidateUnpainted(HWND wnd) {
  if (WindowRec* r = Find(wnd)) {
    r->update = QRegion();
    r->erase = false;
    r->internalPaint = false;
    r->ncDirty = false;
  }
}

void ForgetPaint(HWND wnd) { ValidateUnpainted(wnd); }
void ResetPaint() { DcOwners().clear(); }

void PaintAllNow() {
  for (int guard = 0; guard < 1000; ++guard) {
    HWND h = NextWindowToPaint({});
    if (!h) return;
    SendMessage(h, WM_PAINT, 0, 0);
    ValidateUnpainted(h);
  }
}

std::shared_ptr<Surface> TopSurface(HWND wnd) {
  WindowRec* top = Find(TopLevelOf(wnd));
  return top ? top->surface : nullptr;
}

POINT ClientOriginOnSurface(HWND wnd) {
  WindowRec* r = Find(wnd);
  if (!r) return {};
  QPoint o = WindowOriginInTop(r) + QPoint(r->client.left, r->client.top);
  return POINT{o.x(), o.y()};
}

QRegion VisibleRegion(HWND wnd, bool wholeWindow) {
  WindowRec* r = Find(wnd);
  if (!r || !IsWindowVisible(wnd)) return QRegion();
  QPoint origin = WindowOriginInTop(r);
  if (!wholeWindow) origin += QPoint(r->client.left, r->client.top);
  QRegion vis =
      wholeWindow ? ShapeInTop(r) : (ShapeInTop(r) & QRect(origin, QSize(Width(r->client), Height(r->client))));
  for (WindowRec* cur = r; cur;) {
    WindowRec* p = Find(cur->parent);
    if (!p) break;
    QPoint po = WindowOriginInTop(p);
    vis &= QRect(po + QPoint(p->client.left, p->client.top), QSize(Width(p->client), Height(p->client)));
    if (p->region) vis &= p->region->translated(po);
    if (cur->style & WS_CLIPSIBLINGS) {
      for (HWND s : p->children) {
        if (s == cur->handle) break;
        WindowRec* sr = Find(s);
        if (sr && (sr->style & WS_VISIBLE)) vis -= ShapeInTop(sr);
      }
    }
    cur = p;
  }
  if (r->style & WS_CLIPCHILDREN)
    for (HWND c : r->children) {
      WindowRec* cr = Find(c);
      if (cr && (cr->style & WS_VISIBLE)) vis -= ShapeInTop(cr);
    }
  return vis.translated(-origin);
}

HDC PaintDC(HWND wnd, bool wholeWindow, const QRegion* updateClip) {
  WindowRec* r = Find(wnd);
  std::shared_ptr<Surface> surface = TopSurface(wnd);
  if (!r || !surface) return {};
  QPoint o = WindowOriginInTop(r);
  if (!wholeWindow) o += QPoint(r->client.left, r->client.top);
  QRegion vis = VisibleRegion(wnd, wholeWindow);
  if (updateClip) vis &= *updateClip;
  HRGN rgn = HRGNFromRegion(vis);
  HDC dc = CreateSurfaceDC(surface, POINT{o.x(), o.y()}, rgn);
  DeleteObject(rgn);
  if (dc) DcOwners()[dc.value] = wnd;
  return dc;
}

void RecalcNonClient(HWND wnd) {
  WindowRec* r = Find(wnd);
  if (!r) return;
  NCCALCSIZE_PARAMS p;
  p.rgrc[0] = r->rect;
  p.rgrc[1] = r->rect;
  p.rgrc[2] = r->client;
  SendMessage(wnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
  if (!(r = Find(wnd))) return;
  RECT c = p.rgrc[0];
  LONG w = Width(r->rect), h = Height(r->rect);
  RECT client{c.left - r->rect.left, c.top - r->rect.top, c.right - r->rect.left, c.bottom - r->rect.top};
  client.left = std::clamp<LONG>(client.left, 0, w);
  client.top = std::clamp<LONG>(client.top, 0, h);
  client.right = std::clamp<LONG>(client.right, client.left, w);
  client.bottom = std::clamp<LONG>(client.bottom, client.top, h);
  r->client = client;
}

int NonClientHitTest(HWND wnd, POINT screen) {
  WindowRec* r = Find(wnd);
  if (!r) return HTNOWHERE;
  RECT wr;
  GetWindowRect(wnd, &wr);
  POINT p{screen.x - wr.left, screen.y - wr.top};
  if (p.x < 0 || p.y < 0 || p.x >= Width(wr) || p.y >= Height(wr)) return HTNOWHERE;
  auto in = [&](const RECT& rc) { return p.x >= rc.left && p.y >= rc.top && p.x < rc.right && p.y < rc.bottom; };
  if (in(r->client)) return HTCLIENT;
  if ((r->style & WS_VSCROLL) && in(BarLayout(r, true).bar)) return HTVSCROLL;
  if ((r->style & WS_HSCROLL) && in(BarLayout(r, false).bar)) return HTHSCROLL;
  return HTBORDER;
}

void DrawNonClient(HWND wnd) {
  WindowRec* r = Find(wnd);
  if (!r) return;
  int inset = FrameInset(r);
  bool vb = r->style & WS_VSCROLL, hb = r->style & WS_HSCROLL;
  if (inset == 0 && !vb && !hb) return;
  HDC dc = GetWindowDC(wnd);
  if (!dc) return;
  RECT whole{0, 0, Width(r->rect), Height(r->rect)};
  RECT frame = whole;
  DWORD st = r->style;
  bool topCaption = !r->parent && (st & WS_CAPTION) == WS_CAPTION;
  if (!topCaption) {
    if ((st & WS_THICKFRAME) || (st & WS_DLGFRAME)) {
      DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT | BF_ADJUST);
      int extra = (st & WS_THICKFRAME) ? 2 : 1;
      for (int i = 0; i < extra; ++i) {
        FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNFACE));
        frame = RECT{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
      }
    } else if (st & WS_BORDER) {
      FrameRect(dc, &frame, GetSysColorBrush(COLOR_WINDOWFRAME));
      frame = RECT{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
    }
  }
  if (r->exStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  if (r->exStyle & WS_EX_STATICEDGE) DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  for (int v = 0; v < 2; ++v) {
    bool vertical = v == 1;
    if (!(vertical ? vb : hb)) continue;
    BarGeometry g = BarLayout(r, vertical);
    const ScrollBarRec& b = vertical ? r->vbar : r->hbar;
    bool off = b.arrowsDisabled == ESB_DISABLE_BOTH;
    RECT a1 = g.bar, a2 = g.bar;
    if (vertical) {
      a1.bottom = a1.top + g.arrow;
      a2.top = a2.bottom - g.arrow;
    } else {
      a1.right = a1.left + g.arrow;
      a2.left = a2.right - g.arrow;
    }
    RECT track = g.bar;
    if (vertical) {
      track.top = a1.bottom;
      track.bottom = a2.top;
    } else {
      track.left = a1.right;
      track.right = a2.left;
    }
    FillRect(dc, &track, GetSysColorBrush(COLOR_SCROLLBAR));
    UINT dis1 = (off || (b.arrowsDisabled & ESB_DISABLE_LTUP)) ? DFCS_INACTIVE : 0;
    UINT dis2 = (off || (b.arrowsDisabled & ESB_DISABLE_RTDN)) ? DFCS_INACTIVE : 0;
    DrawFrameControl(dc, &a1, DFC_SCROLL, (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | dis1);
    DrawFrameControl(dc, &a2, DFC_SCROLL, (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | dis2);
    if (g.hasThumb) {
      RECT t = g.bar;
      if (vertical) {
        t.top = g.bar.top + g.thumbTop;
        t.bottom = g.bar.top + g.thumbBottom;
      } else {
        t.left = g.bar.left + g.thumbTop;
        t.right = g.bar.left + g.thumbBottom;
      }
      DrawEdge(dc, &t, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
  }
  if (vb && hb) {
    int sz = GetSystemMetrics(SM_CXVSCROLL);
    RECT corner{r->client.right, r->client.bottom, r->client.right + sz, r->client.bottom + sz};
    FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
  }
  ReleaseDC(wnd, dc);
}

// The scroll-bar part under a point: 0 first arrow, 1 page before, 2 thumb, 3 page after,
// 4 second arrow, -1 none.
int BarPart(WindowRec* r, bool vertical, POINT windowPt) {
  BarGeometry g = BarLayout(r, vertical);
  int along = vertical ? windowPt.y - g.bar.top : windowPt.x - g.bar.left;
  int length = vertical ? Height(g.bar) : Width(g.bar);
  if (along < 0 || along >= length) return -1;
  if (along < g.arrow) return 0;
  if (along >= length - g.arrow) return 4;
  if (!g.hasThumb) return -1;
  if (along < g.thumbTop) return 1;
  if (along < g.thumbBottom) return 2;
  return 3;
}

LRESULT ScrollBarNcLButtonDown(HWND wnd, int hit, POINT screen) {
  WindowRec* r = Find(wnd);
  if (!r) return 0;
  bool vertical = hit == HTVSCROLL;
  UINT msg = vertical ? WM_VSCROLL : WM_HSCROLL;
  const ScrollBarRec& b0 = vertical ? r->vbar : r->hbar;
  if (b0.arrowsDisabled == ESB_DISABLE_BOTH) return 0;
  RECT wr;
  GetWindowRect(wnd, &wr);
  auto local = [&](POINT s) { return POINT{s.x - wr.left, s.y - wr.top}; };
  int part = BarPart(r, vertical, local(screen));
  if (part < 0) return 0;
  static const int kCodes[] = {SB_LINEUP, SB_PAGEUP, SB_THUMBTRACK, SB_PAGEDOWN, SB_LINEDOWN};
  BarGeometry g0 = BarLayout(r, vertical);
  int grabOffset = (vertical ? local(screen).y - g0.bar.top : local(screen).x - g0.bar.left) - g0.thumbTop;
  int trackPos = b0.pos;
  // A drag starts at the thumb's own place: readers of the track position never see a value
  // left over from an earlier drag.
  if (part == 2) (vertical ? r->vbar : r->hbar).trackPos = trackPos;
  auto send = [&](int code, int pos) {
    SendMessage(wnd, msg, MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos)), 0);
  };
  if (part != 2) send(kCodes[part], 0);
  SetCapture(wnd);
  UINT_PTR timer = SetTimer(wnd, 0xFFF0, 400);
  bool first = true;
  for (;;) {
    if (GetCapture() != wnd || !Find(wnd)) break;
    MSG m;
    int got = GetMessage(&m, {}, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (m.message == WM_LBUTTONUP) break;
    if (m.message == WM_TIMER && m.hwnd == wnd && m.wParam == 0xFFF0) {
      if (first) {
        SetTimer(wnd, 0xFFF0, 50);
        first = false;
      }
      if (part != 2 && (r = Find(wnd)) && BarPart(r, vertical, local(CursorPos())) == part) send(kCodes[part], 0);
      continue;
    }
    if (m.message == WM_MOUSEMOVE && part == 2 && (r = Find(wnd))) {
      BarGeometry g = BarLayout(r, vertical);
      const ScrollBarRec& b = vertical ? r->vbar : r->hbar;
      POINT p = local(CursorPos());
      int along = (vertical ? p.y - g.bar.top : p.x - g.bar.left) - grabOffset;
      int thumb = g.thumbBottom - g.thumbTop;
      int trackLen = (vertical ? Height(g.bar) : Width(g.bar)) - 2 * g.arrow - thumb;
      int span = b.max - b.min - std::max(static_cast<int>(b.page) - 1, 0);
      int pos = trackLen > 0 ? b.min + MulDiv(std::clamp(along - g.arrow, 0, trackLen), span, trackLen) : b.min;
      if (pos != trackPos) {
        trackPos = pos;
        (vertical ? r->vbar : r->hbar).trackPos = pos;
        send(SB_THUMBTRACK, pos);
      }
      continue;
    }
    if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) break;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (timer) KillTimer(wnd, 0xFFF0);
  if (GetCapture() == wnd) ReleaseCapture();
  if (!Find(wnd)) return 0;
  if (part == 2) send(SB_THUMBPOSITION, trackPos);
  send(SB_ENDSCROLL, 0);
  return 0;
}

}  // namespace win

using namespace win;

// ---- invalidation and painting ----
BOOL InvalidateRect(HWND wnd, const RECT* rect, BOOL erase) {
  if (!wnd) return FALSE;
  if (!Find(wnd)) return FALSE;
  AddUpdate(wnd, RegionArg(wnd, rect, {}), erase, 0, false);
  return TRUE;
}

BOOL InvalidateRgn(HWND wnd, HRGN rgn, BOOL erase) {
  if (!Find(wnd)) return FALSE;
  AddUpdate(wnd, RegionArg(wnd, nullptr, rgn), erase, 0, false);
  return TRUE;
}

BOOL ValidateRect(HWND wnd, const RECT* rect) {
  if (!Find(wnd)) return FALSE;
  Subtract(wnd, RegionArg(wnd, rect, {}), 0);
  if (!rect) Find(wnd)->ncDirty = false;
  return TRUE;
}

BOOL ValidateRgn(HWND wnd, HRGN rgn) {
  if (!Find(wnd)) return FALSE;
  Subtract(wnd, RegionArg(wnd, nullptr, rgn), 0);
  return TRUE;
}

BOOL GetUpdateRect(HWND wnd, RECT* rect, BOOL erase) {
  WindowRec* r = Find(wnd);
  if (!r) return FALSE;
  if (rect) *rect = FromQ(r->update.boundingRect());
  if (erase && r->erase && !r->update.isEmpty()) {
    HDC dc = GetDC(wnd);
    r->erase = false;
    SendMessage(wnd, WM_ERASEBKGND, static_cast<WPARAM>(dc.value), 0);
    ReleaseDC(wnd, dc);
    r = Find(wnd);
  }
  return r && !r->update.isEmpty() ? TRUE : FALSE;
}

int GetUpdateRgn(HWND wnd, HRGN rgn, BOOL erase) {
  WindowRec* r = Find(wnd);
  if (!r || !rgn) return ERROR;
  QRegion u = r->update;
  HRGN copy = HRGNFromRegion(u);
  CombineRgn(rgn, copy, {}, RGN_COPY);
  DeleteObject(copy);
  RECT dummy;
  if (erase) GetUpdateRect(wnd, &dummy, TRUE);
  return RegionKind(u);
}

BOOL UpdateWindow(HWND wnd) {
  if (!Find(wnd)) return FALSE;
  PaintNow(wnd, true);
  return TRUE;
}

BOOL RedrawWindow(HWND wnd, const RECT* rect, HRGN rgn, UINT flags) {
  if (!Find(wnd)) return FALSE;
  int children = (flags & RDW_ALLCHILDREN) ? 1 : (flags & RDW_NOCHILDREN) ? -1 : 0;
  QRegion area = RegionArg(wnd, rect, rgn);
  if (flags & RDW_INVALIDATE) {
    AddUpdate(wnd, area, (flags & RDW_ERASE) != 0, children, (flags & RDW_FRAME) != 0);
    if (flags & RDW_INTERNALPAINT) Find(wnd)->internalPaint = true;
  } else if (flags & RDW_VALIDATE) {
    Subtract(wnd, area, children);
    WindowRec* r = Find(wnd);
    if (flags & RDW_NOFRAME) r->ncDirty = false;
    if (flags & RDW_NOINTERNALPAINT) r->internalPaint = false;
  }
  if (flags & RDW_NOERASE) Find(wnd)->erase = false;
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) PaintNow(wnd, (flags & RDW_ALLCHILDREN) != 0 || children == 0);
  return TRUE;
}

HDC BeginPaint(HWND wnd, PAINTSTRUCT* ps) {
  WindowRec* r = Find(wnd);
  if (!r || !ps) return {};
  bool caretHere = CaretState().wnd == wnd;
  if (caretHere) HideCaret(wnd);
  if (r->ncDirty) {
    r->ncDirty = false;
    SendMessage(wnd, WM_NCPAINT, 1, 0);
    if (!(r = Find(wnd))) return {};
  }
  QRegion update = r->update;
  bool erase = r->erase;
  r->update = QRegion();
  r->erase = false;
  r->internalPaint = false;
  HDC dc = PaintDC(wnd, false, &update);
  ps->hdc = dc;
  ps->rcPaint = FromQ(update.boundingRect());
  ps->fErase = FALSE;
  if (erase && dc) ps->fErase = SendMessage(wnd, WM_ERASEBKGND, static_cast<WPARAM>(dc.value), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND wnd, const PAINTSTRUCT* ps) {
  if (!ps) return FALSE;
  ReleaseDC(wnd, ps->hdc);
  if (CaretState().wnd == wnd && Find(wnd)) ShowCaret(wnd);
  return TRUE;
}

HDC GetDC(HWND wnd) {
  if (!wnd) return CreateMeasureDC();
  return PaintDC(wnd, false, nullptr);
}

HDC GetWindowDC(HWND wnd) {
  if (!wnd) return CreateMeasureDC();
  return PaintDC(wnd, true, nullptr);
}

int ReleaseDC(HWND wnd, HDC dc) {
  if (!dc) return 0;
  auto& owners = DcOwners();
  auto it = owners.find(dc.value);
  if (it != owners.end()) {
    HWND owner = it->second;
    owners.erase(it);
    HWND top = TopLevelOf(owner);
    RECT dirty = GetDCDirtyRect(dc, true);
    if (top && Width(dirty) > 0 && Height(dirty) > 0) Backend().SurfaceChanged(top, dirty);
  }
  (void)wnd;
  DeleteDC(dc);
  return 1;
}

int ScrollWindowEx(HWND wnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN updateRgn, RECT* updateRect,
                   UINT flags) {
  WindowRec* r = Find(wnd);
  if (!r) return ERROR;
  QRect client(0, 0, Width(r->client), Height(r->client));
  QRect sr = scroll ? ToQ(*scroll) & client : client;
  QRect cr = clip ? ToQ(*clip) & client : client;
  QRegion total;
  if (IsWindowVisible(wnd) && (dx || dy)) {
    std::shared_ptr<Surface> surface = TopSurface(wnd);
    POINT o = ClientOriginOnSurface(wnd);
    QRegion vis = VisibleRegion(wnd, false);
    if (surface) {
      ScrollSurface(*surface, FromQ(sr.translated(o.x, o.y)), FromQ(cr.translated(o.x, o.y)), dx, dy);
      Backend().SurfaceChanged(TopLevelOf(wnd), FromQ(cr.translated(o.x, o.y)));
    }
    for (const RECT& u : ScrollUncoveredRects(FromQ(sr), FromQ(cr), dx, dy)) total |= ToQ(u);
    // Pixels copied from where the window was covered are not the window's: repaint them.
    QRegion dest = QRegion(sr.translated(dx, dy)) & cr;
    total |= (dest - vis.translated(dx, dy)) & vis;
    // The pending update moves with the picture.
    QRegion pending = r->update & sr;
    if (!pending.isEmpty()) {
      r->update -= pending;
      r->update |= pending.translated(dx, dy) & cr;
    }
  }
  if (flags & SW_SCROLLCHILDREN) {
    std::vector<HWND> kids = r->children;
    for (HWND c : kids) {
      WindowRec* k = Find(c);
      if (k && ToQ(k->rect).intersects(sr))
        SetWindowPos(c, {}, k->rect.left + dx, k->rect.top + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
  } else if ((r = Find(wnd)) && (dx || dy)) {
    // Children that the copy painted over repaint themselves.
    for (HWND c : r->children) {
      WindowRec* k = Find(c);
      if (k && (k->style & WS_VISIBLE) && ToQ(k->rect).intersects(cr))
        RedrawWindow(c, nullptr, {}, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    }
  }
  if ((flags & SW_INVALIDATE) && !total.isEmpty()) AddUpdate(wnd, total, (flags & SW_ERASE) != 0, -1, false);
  if (updateRgn) {
    HRGN copy = HRGNFromRegion(total);
    CombineRgn(updateRgn, copy, {}, RGN_COPY);
    DeleteObject(copy);
  }
  if (updateRect) *updateRect = FromQ(total.boundingRect());
  return RegionKind(total);
}

BOOL ScrollWindow(HWND wnd, int dx, int dy, const RECT* scroll, const RECT* clip) {
  return ScrollWindowEx(wnd, dx, dy, scroll, clip, {}, nullptr, SW_INVALIDATE | SW_ERASE) != ERROR;
}

// ---- scroll bars ----
namespace {

ScrollBarRec* Bar(WindowRec* r, int bar) {
  if (bar == SB_HORZ) return &r->hbar;
  if (bar == SB_VERT) return &r->vbar;
  return nullptr;
}

void Normalize(ScrollBarRec& b) {
  if (b.max < b.min) b.max = b.min;
  auto range = static_cast<long long>(b.max) - b.min + 1;
  if (b.page > range) b.page = static_cast<UINT>(range);
  long long top = static_cast<long long>(b.max) - std::max<long long>(static_cast<long long>(b.page) - 1, 0);
  b.pos = static_cast<int>(std::clamp<long long>(b.pos, b.min, std::max<long long>(top, b.min)));
}

// The non-client area only (scroll bars, border): the client keeps its picture, as a scroll
// bar update must not repaint the whole window.
void RedrawFrame(HWND wnd) {
  const RECT none{0, 0, 0, 0};
  RedrawWindow(wnd, &none, {}, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
}

}  // namespace

int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  WindowRec* r = Find(wnd);
  ScrollBarRec* b = r && info ? Bar(r, bar) : nullptr;
  if (!b) return 0;
  const ScrollBarRec before = *b;
  const DWORD styleBefore = r->style;
  if (info->fMask & SIF_RANGE) {
    b->min = info->nMin;
    b->max = info->nMax;
  }
  if (info->fMask & SIF_PAGE) b->page = info->nPage;
  if (info->fMask & SIF_POS) b->pos = info->nPos;
  Normalize(*b);
  int pos = b->pos;
  if (info->fMask & (SIF_RANGE | SIF_PAGE)) {
    bool scrollable = b->max > b->min && static_cast<long long>(b->page) <= static_cast<long long>(b->max) - b->min;
    DWORD bit = bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
    if (!scrollable) {
      if (info->fMask & SIF_DISABLENOSCROLL) {
        b->arrowsDisabled = ESB_DISABLE_BOTH;
        if (!(r->style & bit)) ShowScrollBar(wnd, bar, TRUE);
      } else if (r->style & bit) {
        ShowScrollBar(wnd, bar, FALSE);
      }
    } else {
      b->arrowsDisabled = ESB_ENABLE_BOTH;
      if (!(r->style & bit)) ShowScrollBar(wnd, bar, TRUE);
    }
  }
  // A bar drawn as it was needs no new frame: editors set their bars after every keystroke.
  if (redraw && (r = Find(wnd))) {
    const ScrollBarRec& now = *Bar(r, bar);
    if (r->style != styleBefore || now.min != before.min || now.max != before.max || now.page != before.page ||
        now.pos != before.pos || now.arrowsDisabled != before.arrowsDisabled)
      RedrawFrame(wnd);
  }
  return pos;
}

BOOL GetScrollInfo(HWND wnd, int bar, SCROLLINFO* info) {
  WindowRec* r = Find(wnd);
  ScrollBarRec* b = r && info ? Bar(r, bar) : nullptr;
  if (!b) return FALSE;
  if (info->fMask & SIF_RANGE) {
    info->nMin = b->min;
    info->nMax = b->max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = b->page;
  if (info->fMask & SIF_POS) info->nPos = b->pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = b->trackPos;
  return TRUE;
}

int SetScrollPos(HWND wnd, int bar, int pos, BOOL redraw) {
  WindowRec* r = Find(wnd);
  ScrollBarRec* b = r ? Bar(r, bar) : nullptr;
  if (!b) return 0;
  int old = b->pos;
  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(wnd, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND wnd, int bar) {
  SCROLLINFO si;
  si.fMask = SIF_POS;
  return GetScrollInfo(wnd, bar, &si) ? si.nPos : 0;
}

BOOL SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, BOOL redraw) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMin = minPos;
  si.nMax = maxPos;
  if (!Find(wnd)) return FALSE;
  SetScrollInfo(wnd, bar, &si, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND wnd, int bar, int* minPos, int* maxPos) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  if (!GetScrollInfo(wnd, bar, &si)) return FALSE;
  if (minPos) *minPos = si.nMin;
  if (maxPos) *maxPos = si.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND wnd, int bar, BOOL show) {
  WindowRec* r = Find(wnd);
  if (!r) return FALSE;
  DWORD bits = bar == SB_HORZ ? WS_HSCROLL : bar == SB_VERT ? WS_VSCROLL : bar == SB_BOTH ? WS_HSCROLL | WS_VSCROLL : 0;
  DWORD style = show ? (r->style | bits) : (r->style & ~bits);
  if (style == r->style) return TRUE;
  r->style = style;
  SetWindowPos(wnd, {}, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

BOOL EnableScrollBar(HWND wnd, UINT bar, UINT arrows) {
  WindowRec* r = Find(wnd);
  if (!r) return FALSE;
  bool changed = false;
  for (ScrollBarRec* b : {bar == SB_HORZ || bar == SB_BOTH ? &r->hbar : nullptr,
                          bar == SB_VERT || bar == SB_BOTH ? &r->vbar : nullptr})
    if (b && b->arrowsDisabled != arrows) {
      b->arrowsDisabled = arrows;
      changed = true;
    }
  if (changed) RedrawFrame(wnd);
  return TRUE;
}

BOOL GetScrollBarInfo(HWND wnd, LONG idObject, SCROLLBARINFO* info) {
  WindowRec* r = Find(wnd);
  if (!r || !info || (idObject != OBJID_VSCROLL && idObject != OBJID_HSCROLL)) return FALSE;
  bool vertical = idObject == OBJID_VSCROLL;
  BarGeometry g = BarLayout(r, vertical);
  RECT wr;
  GetWindowRect(wnd, &wr);
  info->rcScrollBar = RECT{g.bar.left + wr.left, g.bar.top + wr.top, g.bar.right + wr.left, g.bar.bottom + wr.top};
  info->dxyLineButton = g.arrow;
  info->xyThumbTop = g.hasThumb ? g.thumbTop : 0;
  info->xyThumbBottom = g.hasThumb ? g.thumbBottom : 0;
  const ScrollBarRec& b = vertical ? r->vbar : r->hbar;
  DWORD state = 0;
  if (!(r->style & (vertical ? WS_VSCROLL : WS_HSCROLL))) state |= STATE_SYSTEM_INVISIBLE;
  if (b.arrowsDisabled == ESB_DISABLE_BOTH) state |= STATE_SYSTEM_UNAVAILABLE;
  if (!IsWindowVisible(wnd)) state |= STATE_SYSTEM_OFFSCREEN;
  std::fill(std::begin(info->rgstate), std::end(info->rgstate), DWORD{0});
  info->rgstate[0] = state;
  if (!g.hasThumb) info->rgstate[3] = STATE_SYSTEM_INVISIBLE;
  return TRUE;
}

// ---- the default window procedure ----
LRESULT DefWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowRec* r = Find(wnd);
  if (!r) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      if (auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam)) r->text = cs->lpszName;
      return TRUE;
    }
    case WM_NCCALCSIZE: {
      auto* rc = reinterpret_cast<RECT*>(lParam);
      if (!rc) return 0;
      int inset = FrameInset(r);
      rc->left += inset;
      rc->top += inset;
      rc->right -= inset;
      rc->bottom -= inset;
      int sz = GetSystemMetrics(SM_CXVSCROLL);
      if ((r->style & WS_VSCROLL) && rc->right - rc->left >= sz) rc->right -= sz;
      if ((r->style & WS_HSCROLL) && rc->bottom - rc->top >= sz) rc->bottom -= sz;
      if (rc->right < rc->left) rc->right = rc->left;
      if (rc->bottom < rc->top) rc->bottom = rc->top;
      return 0;
    }
    case WM_NCHITTEST: return NonClientHitTest(wnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCPAINT: DrawNonClient(wnd); return 0;
    case WM_NCACTIVATE: return TRUE;
    case WM_SETTEXT: {
      const char* t = reinterpret_cast<const char*>(lParam);
      r->text = t ? String(t) : String();
      // A top-level window's caption is its title on the desktop.
      if (!r->parent) Backend().WindowChanged(wnd);
      return TRUE;
    }
    case WM_GETTEXT: {
      char* buffer = reinterpret_cast<char*>(lParam);
      if (!buffer || wParam == 0) return 0;
      std::size_t n = std::min<std::size_t>(r->text.size(), wParam - 1);
      // Never cut a character in two.
      while (!Utf8IsBoundary(r->text, n)) --n;
      std::copy_n(r->text.data(), n, buffer);
      buffer[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(r->text.size());
    case WM_CLOSE: DestroyWindow(wnd); return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessage(wnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_ERASEBKGND: {
      HBRUSH brush = r->cls ? r->cls->wc.hbrBackground : HBRUSH{};
      if (!brush) return 0;
      RECT rc;
      GetClientRect(wnd, &rc);
      FillRect(HDC{static_cast<std::uintptr_t>(wParam)}, &rc, brush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(wnd, &ps);
      EndPaint(wnd, &ps);
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!wp) return 0;
      if (!(wp->flags & SWP_NOMOVE))
        SendMessage(wnd, WM_MOVE, 0,
                    MAKELPARAM(static_cast<WORD>(r->rect.left + r->client.left),
                               static_cast<WORD>(r->rect.top + r->client.top)));
      if (!(r = Find(wnd))) return 0;
      if (!(wp->flags & SWP_NOSIZE) || (wp->flags & SWP_FRAMECHANGED))
        SendMessage(wnd, WM_SIZE, 0,
                    MAKELPARAM(static_cast<WORD>(Width(r->client)), static_cast<WORD>(Height(r->client))));
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SetFocus(wnd);
      return 0;
    case WM_MOUSEACTIVATE: {
      if (r->exStyle & WS_EX_NOACTIVATE) return MA_NOACTIVATE;
      if ((r->style & WS_CHILD) && r->parent) {
        LRESULT res = SendMessage(r->parent, WM_MOUSEACTIVATE, wParam, lParam);
        if (res) return res;
      }
      return MA_ACTIVATE;
    }
    case WM_SETCURSOR: {
      if ((r->style & WS_CHILD) && r->parent && SendMessage(r->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      if (!(r = Find(wnd))) return FALSE;
      if (LOWORD(static_cast<std::uintptr_t>(lParam)) == HTCLIENT) {
        HCURSOR c = r->cls ? r->cls->wc.hCursor : HCURSOR{};
        if (c) {
          SetCursor(c);
          return TRUE;
        }
        return FALSE;
      }
      SetCursor(LoadCursor({}, IDC_ARROW));
      return FALSE;
    }
    case WM_MOUSEWHEEL:
      if ((r->style & WS_CHILD) && r->parent) return SendMessage(r->parent, msg, wParam, lParam);
      return 0;
    case WM_RBUTTONUP: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(wnd, &p);
      SendMessage(wnd, WM_CONTEXTMENU, static_cast<WPARAM>(wnd.value),
                  MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
      return 0;
    }
    case WM_CONTEXTMENU:
      if ((r->style & WS_CHILD) && r->parent) SendMessage(r->parent, msg, wParam, lParam);
      return 0;
    case WM_CANCELMODE:
      if (GetCapture() == wnd) ReleaseCapture();
      return 0;
    case WM_NCLBUTTONDOWN:
      if (wParam == HTVSCROLL || wParam == HTHSCROLL)
        return ScrollBarNcLButtonDown(wnd, static_cast<int>(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_SETREDRAW: r->redrawOff = wParam == 0; return 0;
    case WM_SHOWWINDOW:
    case WM_GETDLGCODE: return 0;
  }
  return 0;
}
