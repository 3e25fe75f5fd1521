#pragma once
// The desktop lyrics line: one object for the life of the client, whose window shows the
// line that the server is playing, in large outlined text with a shadow and a gradient, on
// a band along the bottom of the desktop that is otherwise invisible and lets every click
// through. The user can drag the line (it remembers where, in gcwz.ini) or lock it.
//
// Colours are Windows colour values (red in the low byte); sizes are pixels. Every call
// belongs on the GUI thread; a line that arrives on another thread must be posted there.

#include <QFont>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <optional>

#include "client/ui/lyrics_painter.h"

namespace quilla::client {

class LyricsWidget;

class DesktopLyricsWindow {
 public:
  // The object with its defaults (InitDefaults): the first installed family of the font
  // list, 50 px, bold; no background; a black shadow at alpha 150, 2 px to the lower
  // right; colours 0x00FEE3 and 0x00B133, black outline, gradient mode 1. No window yet.
  // `settings_folder` holds gcwz.ini, the remembered position; empty: nothing is
  // remembered. Needs a QApplication.
  explicit DesktopLyricsWindow(std::filesystem::path settings_folder = {});
  ~DesktopLyricsWindow();
  DesktopLyricsWindow(const DesktopLyricsWindow&) = delete;
  DesktopLyricsWindow& operator=(const DesktopLyricsWindow&) = delete;

  // Creates the window, shown: `width` × `height` pixels (default: the width of the
  // primary screen's available area × 150; 0 or less counts as not given), centred along
  // the bottom of that area, or at
  // the remembered place while its centre still lies on a screen. Draggable afterwards.
  // False (and nothing changes) when the window exists already or there is no screen.
  bool Create(std::optional<int> width = std::nullopt, std::optional<int> height = std::nullopt);
  // The window exists.
  bool IsCreated() const { return widget_ != nullptr; }

  // The font: `family` first, then the fallback list (lyrics_font.h); `size_px` pixels.
  // A size of 0 or less leaves no font, and no text is drawn. Does not redraw.
  void SetFont(const QString& family, int size_px, bool bold, bool italic, bool underline);
  // The fill of the whole window behind the text; `alpha` 0 or less: none. Redraws when
  // asked and the window exists.
  void SetBackground(int color, int alpha, bool redraw);
  // The text's shadow; `alpha` 0 or less, or an offset of 0 (a negative offset counts as
  // 0): none. Redraws when asked and the window exists.
  void SetShadow(int color, int alpha, int offset_px, bool redraw);
  // Text colours 1 and 2, the 1-px outline colour (-1: no outline) and the gradient mode
  // (0 one colour, 1 colour 1 at the top to colour 2 at the bottom, 2 colour 1 at top and
  // bottom and colour 2 in the middle; see MakeBrush). Does not redraw.
  void SetTextColors(int color1, int color2, int outline_color, int gradient_mode);

  // Shows or hides the window, never activating it.
  void Show();
  void Hide();
  // Pressing on the line and moving the mouse moves the window (on by Create).
  void SetDraggable(bool draggable);
  // Close requests are refused while set, until the desktop session ends.
  void SetNoClose(bool no_close);
  // While locked the line takes no mouse input at all: clicks on its letters reach the
  // window below and it cannot be dragged.
  void SetLocked(bool locked);
  // The desktop session is ending (logout, shutdown): close requests are let through.
  // Called by the application's commit-data request; public for the session's other ends.
  void EndSession();

  // Shows `text`. The same text again, with nothing changed since it was drawn, costs
  // nothing (the server repeats each line about ten times a second); a new line repaints
  // only the area of the old and the new line, before this returns.
  void SetText(const QString& text);
  // Draws the line again with the current settings.
  void Redraw();

  // Writes the window's place to gcwz.ini now (it is written by itself after each drag).
  // False without a settings folder or window, or when the file cannot be written.
  bool SavePosition() const;

  const QString& text() const { return text_; }
  const std::optional<QFont>& font() const { return style_.font; }
  bool locked() const { return locked_; }
  // The window (nullptr before Create), for placing other windows around it and for tests.
  QWidget* window() const;
  // What the window shows now; nothing before Create.
  const PaintedLine& painted() const;

 private:
  QSize WindowSize() const;

  std::filesystem::path settings_folder_;
  std::unique_ptr<LyricsWidget> widget_;
  LyricsPainter painter_;
  LyricsStyle style_;
  QString text_;
  bool stale_ = true;  // settings changed since the line was last drawn
  bool draggable_ = false;
  bool no_close_ = false;
  bool locked_ = false;
};

}  // namespace quilla::client
