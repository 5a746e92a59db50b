#pragma once
// Private to the standard controls: small drawing and range helpers their files share.

#include <algorithm>

#include "platform/forms/Controls.h"

namespace stdctrls_detail {
inline COLORREF Ref(TColor c) { return ColorToRGB(c); }
inline int Clamp(int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); }

inline void FillSolid(HDC dc, const RECT& r, TColor c) {
  HBRUSH b = CreateSolidBrush(Ref(c));
  FillRect(dc, &r, b);
  DeleteObject(b);
}
}  // namespace stdctrls_detail
