// What the lyrics line costs the client: the server sends a line about ten times a second,
// mostly the same one again. Measured: CPU time of DesktopLyricsWindow::SetText on a
// 1920 × 150 window with the default style and a 20-character Chinese line, new and
// repeated, against a bare QPainter::drawText of the same line into a reused image, timed
// in the same loop. For scale, the line drawn the plain way too: one path of the whole
// line filled three times (shadow, outline, fill) over a fresh full-window image.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include <benchmark/benchmark.h>

#include <time.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <functional>
#include <vector>

#include "client/ui/desktop_lyrics_window.h"

namespace {

using quilla::client::DesktopLyricsWindow;

const QString kLines[] = {QStringLiteral("从前从前有个人爱你很久但偏偏风渐渐把距离"),
                          QStringLiteral("吹得好远好不容易又能再多爱一天但故事的最")};
constexpr int kWidth = 1920;
constexpr int kHeight = 150;

double ThreadCpuMicros() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

double Timed(const std::function<void()>& work) {
  const double start = ThreadCpuMicros();
  work();
  return ThreadCpuMicros() - start;
}

double Percentile(std::vector<double> samples, double fraction) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const auto index = static_cast<std::size_t>(fraction * (samples.size() - 1));
  return samples[index];
}

// The baseline: the line drawn as plain text into an image kept between calls.
class DrawTextBaseline {
 public:
  explicit DrawTextBaseline(const QFont& font)
      : image_(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied), font_(font) {
    image_.fill(Qt::transparent);
  }
  void Draw(const QString& line) {
    QPainter painter(&image_);
    painter.setFont(font_);
    painter.setPen(Qt::yellow);
    painter.drawText(QRect(0, 0, kWidth, kHeight), Qt::AlignCenter, line);
  }

 private:
  QImage image_;
  QFont font_;
};

// Times `set_text(i)` and the baseline for the line it shows, turn about, and reports
// medians, 99th percentiles and the ratio of the medians.
void RunAgainstBaseline(benchmark::State& state, DesktopLyricsWindow& lyrics,
                        const std::function<const QString&(std::size_t)>& line_for) {
  DrawTextBaseline baseline(*lyrics.font());
  std::vector<double> subject, reference;
  std::size_t i = 0;
  for (auto _ : state) {
    const QString& line = line_for(i++);
    const double spent = Timed([&] { lyrics.SetText(line); });
    state.SetIterationTime(spent / 1e6);
    subject.push_back(spent);
    state.PauseTiming();
    reference.push_back(Timed([&] { baseline.Draw(line); }));
    state.ResumeTiming();
  }
  const double median = Percentile(subject, 0.5);
  const double base = Percentile(reference, 0.5);
  state.counters["median_us"] = median;
  state.counters["p99_us"] = Percentile(subject, 0.99);
  state.counters["drawText_median_us"] = base;
  state.counters["drawText_p99_us"] = Percentile(reference, 0.99);
  state.counters["ratio"] = base > 0 ? median / base : 0;
}

void BM_SetTextNewLine(benchmark::State& state) {
  DesktopLyricsWindow lyrics;
  lyrics.Create(kWidth, kHeight);
  lyrics.SetText(kLines[1]);
  RunAgainstBaseline(state, lyrics, [](std::size_t i) -> const QString& { return kLines[i % 2]; });
}
BENCHMARK(BM_SetTextNewLine)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(3);

void BM_SetTextSameLine(benchmark::State& state) {
  DesktopLyricsWindow lyrics;
  lyrics.Create(kWidth, kHeight);
  lyrics.SetText(kLines[0]);
  RunAgainstBaseline(state, lyrics, [](std::size_t) -> const QString& { return kLines[0]; });
}
BENCHMARK(BM_SetTextSameLine)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1);

// For scale: the plain way to draw the styled line, the whole window every time.
void BM_WholeWindowPathRepaint(benchmark::State& state) {
  DesktopLyricsWindow lyrics;  // only for its default font
  const QFont font = *lyrics.font();
  const QFontMetricsF metrics(font);
  std::vector<double> samples;
  std::size_t i = 0;
  for (auto _ : state) {
    const QString& line = kLines[i++ % 2];
    const double spent = Timed([&] {
      QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      const double w = metrics.horizontalAdvance(line);
      const double h = metrics.height();
      const QRectF rect((kWidth - w) / 2, (kHeight - h) / 2, w, h);
      QPainterPath path;
      path.addText(rect.left(), rect.top() + metrics.ascent(), font, line);
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      painter.fillPath(path.translated(2, 2), QColor(0, 0, 0, 150));
      painter.strokePath(path, QPen(Qt::black, 1.0));
      QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
      fill.setColorAt(0, QColor(227, 254, 0));
      fill.setColorAt(1, QColor(51, 177, 0));
      painter.fillPath(path, fill);
    });
    state.SetIterationTime(spent / 1e6);
    samples.push_back(spent);
  }
  state.counters["median_us"] = Percentile(samples, 0.5);
  state.counters["p99_us"] = Percentile(samples, 0.99);
}
BENCHMARK(BM_WholeWindowPathRepaint)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(2);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
