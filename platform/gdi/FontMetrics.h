#pragma once
// Where fonts come from. A logical font (LOGFONT) resolves to a FontMetrics: the text metrics
// and one integer advance per character. Measuring (GetTextExtentPoint32, DrawText) and drawing
// (TextOut, ExtTextOut) use the same advances, so what is measured is what is painted.
//
// The default source uses the installed fonts, with the face substitution below, kerning off
// and 96 logical DPI. Tests install a FixedFontSource, whose metrics do not depend on any
// installed font and whose glyphs are drawn as filled boxes.

#include <map>
#include <memory>
#include <string>

#include "platform/gdi/WinGdi.h"

struct FontMetrics {
  virtual ~FontMetrics() = default;
  TEXTMETRIC tm;
  virtual int Advance(char32_t c) const = 0;
  // True for the test fonts: a glyph is a box over its advance (less one column) from
  // the top of the ascent, less the internal leading, down to the baseline. Spaces and
  // control characters draw nothing.
  virtual bool BoxGlyphs() const { return true; }
};

class FontSource {
public:
  virtual ~FontSource() = default;
  // `dpi` is the device's logical pixels per inch (96 on screen, the printer's on a page).
  virtual std::shared_ptr<const FontMetrics> Resolve(const LOGFONT& lf, int dpi) = 0;
};

// Installs the source used by every DC from now on; null restores the installed fonts.
// Without a GUI application object the installed fonts cannot be read; a FixedFontSource
// with its defaults is used then.
void SetFontSource(std::shared_ptr<FontSource> source);
std::shared_ptr<FontSource> GetFontSource();

// Every character advances `advance` pixels unless set otherwise; ascent and descent give the
// cell (default: 7, 11 and 2, so "Qq" is 13 pixels high). Internal and external leading 0.
class FixedFontSource : public FontSource {
public:
  explicit FixedFontSource(int advance = 7, int ascent = 11, int descent = 2, int externalLeading = 0);
  void SetAdvance(char32_t c, int advance);
  std::shared_ptr<const FontMetrics> Resolve(const LOGFONT& lf, int dpi) override;

private:
  int fAdvance, fAscent, fDescent, fExternalLeading;
  std::map<char32_t, int> fAdvances;
};

// The installed family used for a Windows face name: "Courier New" -> "Liberation Mono";
// "MS Sans Serif", "Tahoma", "Arial" -> "Liberation Sans"; an unknown or empty name ->
// "DejaVu Sans". An installed family answers itself.
std::string SubstituteFaceName(const std::string& face);
