#include "client/ui/gbk_cut.h"

#include <QStringView>

#include <algorithm>
#include <string>

#include "encoding/gbk.h"

namespace quilla::client {

QString CutToGbkBytes(const QString& text, std::size_t max_bytes) {
  std::size_t used = 0;
  qsizetype end = 0;
  while (end < text.size()) {
    // One character: a surrogate pair is one.
    const qsizetype length =
        (text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate())
            ? 2
            : 1;
    const std::string utf8 = QStringView(text).mid(end, length).toUtf8().toStdString();
    const std::size_t bytes = std::max<std::size_t>(1, encoding::Utf8ToGbk(utf8).size());
    if (used + bytes > max_bytes) break;
    used += bytes;
    end += length;
  }
  return text.left(end);
}

}  // namespace quilla::client
