#include "protocol/messages.h"

#include <array>
#include <utility>

#include "encoding/gbk.h"
#include "protocol/fields.h"
#include "protocol/packet_codec.h"

namespace quilla::protocol {
namespace {

using encoding::GbkToUtf8;
using encoding::Utf8ToGbk;

struct Entry {
  Command command;
  std::string_view word;
};

// Indexed by the enum value; kUnknown has no word.
constexpr std::array<Entry, 23> kCatalogue{{
    {Command::kUnknown, {}},
    {Command::kUserJoin, kUserJoin},
    {Command::kNameChange, kNameChange},
    {Command::kRequestSong, kRequestSong},
    {Command::kClientSkip, kClientSkip},
    {Command::kVoiceMessage, kVoiceMessage},
    {Command::kFirstState, kFirstState},
    {Command::kRequestInterval, kRequestInterval},
    {Command::kSkipButtonShown, kSkipButtonShown},
    {Command::kQueueEntry, kQueueEntry},
    {Command::kSongAdded, kSongAdded},
    {Command::kSkipNotice, kSkipNotice},
    {Command::kSongPlaying, kSongPlaying},
    {Command::kRadioSong, kRadioSong},
    {Command::kLyricsLine, kLyricsLine},
    {Command::kSongTime, kSongTime},
    {Command::kSongProgress, kSongProgress},
    {Command::kQueueLow, kQueueLow},
    {Command::kSkipAllowed, kSkipAllowed},
    {Command::kSkipForbidden, kSkipForbidden},
    {Command::kRequestsForbidden, kRequestsForbidden},
    {Command::kRequestsAllowed, kRequestsAllowed},
    {Command::kUninstall, kUninstall},
}};

constexpr bool CatalogueInEnumOrder() {
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    if (static_cast<std::size_t>(kCatalogue[i].command) != i) return false;
  }
  return true;
}
static_assert(CatalogueInEnumOrder());

// The GBK spelling of every command word, converted once.
const std::array<std::string, 23>& GbkWords() {
  static const std::array<std::string, 23> words = [] {
    std::array<std::string, 23> w;
    for (std::size_t i = 0; i < kCatalogue.size(); ++i) w[i] = Utf8ToGbk(kCatalogue[i].word);
    return w;
  }();
  return words;
}

const std::string& GbkWord(Command command) {
  return GbkWords()[static_cast<std::size_t>(command)];
}

std::string BuildText(Command command, std::string_view utf8_text) {
  return BuildPacket(GbkWord(command), Utf8ToGbk(utf8_text));
}

std::string BuildFields(Command command, std::initializer_list<std::string_view> utf8_fields) {
  std::vector<std::string> gbk;
  gbk.reserve(utf8_fields.size());
  for (auto f : utf8_fields) gbk.push_back(Utf8ToGbk(f));
  return BuildPacket(GbkWord(command), JoinFields(gbk));
}

std::string BuildPlaceholder(Command command) {
  return BuildPacket(GbkWord(command), kPlaceholderPayload);
}

// The fields of `message` in UTF-8 if it carries `command` with exactly `count` fields.
std::optional<std::vector<std::string>> FieldsIf(const Message& message, Command command,
                                                 std::size_t count) {
  if (message.command != command) return std::nullopt;
  auto fields = FieldsUtf8(message);
  if (fields.size() != count) return std::nullopt;
  return fields;
}

}  // namespace

std::string_view CommandWord(Command command) {
  const auto i = static_cast<std::size_t>(command);
  return i < kCatalogue.size() ? kCatalogue[i].word : std::string_view();
}

Message DecodeMessage(std::string_view block) {
  Packet packet = ParsePacket(block);
  Message message;
  if (packet.command.empty()) return message;
  const auto& words = GbkWords();
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (packet.command == words[i]) {
      message.command = kCatalogue[i].command;
      message.payload = std::move(packet.payload);
      break;
    }
  }
  return message;
}

std::string PayloadUtf8(const Message& message) {
  return GbkToUtf8(PayloadText(message.payload));
}

std::vector<std::string> FieldsUtf8(const Message& message) {
  std::vector<std::string> fields = SplitFields(PayloadText(message.payload));
  for (auto& f : fields) f = GbkToUtf8(f);
  return fields;
}

std::string BuildUserJoin(std::string_view name, std::string_view ip) {
  return BuildFields(Command::kUserJoin, {name, ip});
}
std::string BuildNameChange(std::string_view name) { return BuildText(Command::kNameChange, name); }
std::string BuildRequestSong(const SongRequest& r) {
  return BuildFields(Command::kRequestSong,
                     {r.requester, r.title, r.singer, r.url, r.cover_url, r.lyrics});
}
std::string BuildClientSkip(std::string_view name) { return BuildText(Command::kClientSkip, name); }
std::string BuildVoiceMessage(std::string_view text) {
  return BuildText(Command::kVoiceMessage, text);
}
std::string VoiceMessageText(std::string_view user, std::string_view addressee,
                             std::string_view message) {
  std::string text;
  text.append(user).append("想对").append(addressee).append("说，").append(message);
  return text;
}

std::string BuildFirstState(std::string_view requester, std::string_view song_text,
                            std::string_view cover_url) {
  return BuildFields(Command::kFirstState, {requester, song_text, cover_url});
}
std::string BuildRequestInterval(std::string_view text) {
  return BuildText(Command::kRequestInterval, text);
}
std::string BuildSkipButtonShown(bool shown) {
  return BuildText(Command::kSkipButtonShown, shown ? kTrueText : kFalseText);
}
std::string BuildQueueEntry(std::string_view title, std::string_view requester) {
  return BuildText(Command::kQueueEntry, JoinDashPair(title, requester));
}
std::string BuildSongAdded(std::string_view title, std::string_view requester) {
  return BuildText(Command::kSongAdded, JoinDashPair(title, requester));
}
std::string SkipNoticeText(std::string_view user) {
  std::string text;
  text.append(kSkipNoticePrefix).append(user).append(kSkipNoticeSuffix);
  return text;
}
std::string BuildSkipNotice(std::string_view user) {
  return BuildText(Command::kSkipNotice, SkipNoticeText(user));
}
std::string BuildSongPlaying(std::string_view requester, std::string_view title,
                             std::string_view singer, std::string_view cover_url) {
  return BuildFields(Command::kSongPlaying, {requester, title, singer, cover_url});
}
std::string BuildRadioSong(std::string_view title, std::string_view artist,
                           std::string_view picture_url) {
  return BuildFields(Command::kRadioSong, {kRadioRequester, title, artist, picture_url});
}
std::string BuildLyricsLine(std::string_view line) { return BuildText(Command::kLyricsLine, line); }
std::string BuildSongTime(std::string_view text) { return BuildText(Command::kSongTime, text); }
std::string BuildSongProgress(std::string_view text) {
  return BuildText(Command::kSongProgress, text);
}
std::string BuildQueueLow() { return BuildText(Command::kQueueLow, kQueueLowText); }
std::string BuildSkipAllowed() { return BuildPlaceholder(Command::kSkipAllowed); }
std::string BuildSkipForbidden() { return BuildPlaceholder(Command::kSkipForbidden); }
std::string BuildRequestsForbidden() { return BuildPlaceholder(Command::kRequestsForbidden); }
std::string BuildRequestsAllowed() { return BuildPlaceholder(Command::kRequestsAllowed); }
std::string BuildUninstall() { return BuildPlaceholder(Command::kUninstall); }

std::optional<UserJoin> ParseUserJoin(const Message& message) {
  auto f = FieldsIf(message, Command::kUserJoin, 2);
  if (!f) return std::nullopt;
  return UserJoin{std::move((*f)[0]), std::move((*f)[1])};
}

std::optional<SongRequest> ParseRequestSong(const Message& message) {
  auto f = FieldsIf(message, Command::kRequestSong, 6);
  if (!f) return std::nullopt;
  auto& v = *f;
  return SongRequest{std::move(v[0]), std::move(v[1]), std::move(v[2]),
                     std::move(v[3]), std::move(v[4]), std::move(v[5])};
}

std::optional<FirstState> ParseFirstState(const Message& message) {
  auto f = FieldsIf(message, Command::kFirstState, 3);
  if (!f) return std::nullopt;
  return FirstState{std::move((*f)[0]), std::move((*f)[1]), std::move((*f)[2])};
}

namespace {
std::optional<NowPlaying> ParseNowPlaying(const Message& message, Command command) {
  auto f = FieldsIf(message, command, 4);
  if (!f) return std::nullopt;
  auto& v = *f;
  return NowPlaying{std::move(v[0]), std::move(v[1]), std::move(v[2]), std::move(v[3])};
}
}  // namespace

std::optional<NowPlaying> ParseSongPlaying(const Message& message) {
  return ParseNowPlaying(message, Command::kSongPlaying);
}
std::optional<NowPlaying> ParseRadioSong(const Message& message) {
  return ParseNowPlaying(message, Command::kRadioSong);
}

std::optional<QueuePair> ParseQueuePair(const Message& message) {
  if (message.command != Command::kQueueEntry && message.command != Command::kSongAdded) {
    return std::nullopt;
  }
  // Split on the GBK bytes, as the sender joined them, then convert each side.
  auto pair = SplitDashPair(PayloadText(message.payload));
  if (!pair) return std::nullopt;
  return QueuePair{GbkToUtf8(pair->first), GbkToUtf8(pair->second)};
}

std::optional<bool> ParseSkipButtonShown(const Message& message) {
  if (message.command != Command::kSkipButtonShown) return std::nullopt;
  return PayloadUtf8(message) == kTrueText;
}

}  // namespace quilla::protocol
