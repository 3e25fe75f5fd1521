#include "client/app/session_view.h"

#include "client/app/list_views.h"

namespace quilla::client {
namespace {

using F = SessionField;

QString Text(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

// A lyrics line comes with the line break that ends it in the lyrics file; one line is
// shown, without it.
QString LyricsLine(const std::string& utf8) {
  QString line = Text(utf8);
  while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r'))) line.chop(1);
  return line;
}

}  // namespace

SessionView::SessionView(MainControls& controls, DesktopLyricsWindow& lyrics, TrayIcon& tray,
                         PanelSlider& panel, PictureFetcher& cover, ShowErrorBox error_box)
    : c_(controls),
      lyrics_(lyrics),
      tray_(tray),
      panel_(panel),
      cover_(cover),
      error_box_(std::move(error_box)) {}

void SessionView::Apply(const SessionState& s, const SessionUpdate& u) {
  const FieldSet& changed = u.changed;
  // The now-playing area.
  if (changed.Has(F::kLyricsLine)) {
    const QString line = LyricsLine(s.lyrics_line);
    lyrics_.SetText(line);
    c_.lyrics_line->setText(line);
  }
  if (changed.Has(F::kSongCaption)) c_.song_caption->setText(Text(s.song_caption));
  if (changed.Has(F::kCoverUrl)) cover_.Load(s.cover_url);
  if (changed.Has(F::kProgressWidth)) {
    c_.progress_bar->resize(s.progress_width, c_.progress_bar->height());
  }
  if (changed.Has(F::kTimeText)) c_.time_text->setText(Text(s.time_text));
  if (changed.Has(F::kSkipButton)) c_.skip_button->setVisible(s.skip_button_visible);
  if (u.balloon) {
    tray_.ShowBalloon(Text(u.balloon->title), Text(u.balloon->text), u.balloon->icon_kind,
                      u.balloon->timeout_ms);
  }
  if (changed.Has(F::kQueueMirror)) ApplyQueueEdits(s, u);

  // Permissions and the connection.
  if (changed.Has(F::kRequestControls)) {
    for (QWidget* w :
         {static_cast<QWidget*>(c_.history_list), static_cast<QWidget*>(c_.result_list),
          static_cast<QWidget*>(c_.search_box)}) {
      w->setEnabled(s.request_controls_enabled);
    }
  }
  if (changed.Has(F::kLoadMore)) c_.load_more->setEnabled(s.load_more_enabled);
  if (changed.Has(F::kVoiceButton)) c_.voice_send->setEnabled(s.voice_button_enabled);
  if (changed.Has(F::kConnectButton)) {
    c_.connect_button->setText(Text(s.connect_button_caption));
    c_.connect_button->setEnabled(s.connect_button_enabled);
  }
  if (changed.Has(F::kStatusText)) c_.status_line->setText(Text(s.status_text));
  if (changed.Has(F::kConnectionStatus))
    c_.connection_status->setText(Text(s.connection_status_text));
  if (changed.Has(F::kWelcomeText)) c_.welcome_line->setText(Text(s.welcome_text));
  if (changed.Has(F::kNickname)) c_.name_label->setText(Text(s.nickname));

  if (u.error_box) error_box_(Text(u.error_box->title), Text(u.error_box->text));
  MovePanel(u.panel);
}

void SessionView::ApplyQueueEdits(const SessionState& s, const SessionUpdate& u) {
  QStandardItemModel* model = c_.queue_model;
  // The edits replay the session's steps; each appended row is taken from the state as
  // it stands after them, counted from the end of the rows the edits leave behind.
  std::size_t appended = 0;
  for (const QueueEdit& edit : u.queue_edits) {
    if (edit.kind == QueueEdit::Kind::kAppended) ++appended;
  }
  std::size_t next_new_row = s.queue_mirror.size() - std::min(appended, s.queue_mirror.size());
  for (const QueueEdit& edit : u.queue_edits) {
    switch (edit.kind) {
      case QueueEdit::Kind::kCleared:
        model->removeRows(0, model->rowCount());
        break;
      case QueueEdit::Kind::kRemoved:
        model->removeRow(static_cast<int>(edit.row));
        break;
      case QueueEdit::Kind::kAppended: {
        const QueueRow& row = s.queue_mirror.at(next_new_row++);
        AppendRow(model, {Text(row.song), Text(row.requester)});
        break;
      }
    }
  }
  // The list must show exactly the state's rows; should the edits ever disagree with
  // them, the state wins.
  if (model->rowCount() != static_cast<int>(s.queue_mirror.size())) {
    model->removeRows(0, model->rowCount());
    for (const QueueRow& row : s.queue_mirror)
      AppendRow(model, {Text(row.song), Text(row.requester)});
  }
}

void SessionView::MovePanel(PanelMove move) {
  switch (move) {
    case PanelMove::kNone:
      break;
    case PanelMove::kSlideClosedIfOpen:
      panel_.SlideClosedIfOpen();
      break;
    case PanelMove::kSlideOpenIfClosed:
      panel_.SlideOpenIfClosed();
      break;
    case PanelMove::kSnapOpen:
      panel_.SnapTo(PanelSlider::kOpenLeft);
      break;
  }
}

}  // namespace quilla::client
