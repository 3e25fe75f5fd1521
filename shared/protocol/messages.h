#pragma once
// The message catalogue: every command word, one builder and (where the receiver reads
// fields) one parser per message. Other modules name messages only through this header;
// none of them spells a command word, a separator or a fixed payload text itself.
//
// Text arguments and results are UTF-8; the wire carries GBK (converted here). Builders
// return a CompressedBlock ready for a transport's Send (empty only if the text is longer
// than the codec accepts). All functions are pure and thread-safe.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilla::protocol {

// ---- Command words (UTF-8). Client to server.
inline constexpr std::string_view kUserJoin = "用户加入";
inline constexpr std::string_view kNameChange = "姓名变更";
inline constexpr std::string_view kRequestSong = "点播歌曲";
inline constexpr std::string_view kClientSkip = "客户端切歌";
inline constexpr std::string_view kVoiceMessage = "语音播报";
// Server to client.
inline constexpr std::string_view kFirstState = "首次获取";
inline constexpr std::string_view kRequestInterval = "时间间隔";
inline constexpr std::string_view kSkipButtonShown = "切歌按钮显示";
inline constexpr std::string_view kQueueEntry = "当前点歌列表";
inline constexpr std::string_view kSongAdded = "歌曲增加";
inline constexpr std::string_view kSkipNotice = "切歌提示";
inline constexpr std::string_view kSongPlaying = "歌曲播放";
inline constexpr std::string_view kRadioSong = "系统随机";
inline constexpr std::string_view kLyricsLine = "歌词变更";
inline constexpr std::string_view kSongTime = "歌曲时间";
inline constexpr std::string_view kSongProgress = "歌曲进度";
inline constexpr std::string_view kQueueLow = "歌曲剩余不足";
inline constexpr std::string_view kSkipAllowed = "允许切歌";
inline constexpr std::string_view kSkipForbidden = "禁止切歌";
inline constexpr std::string_view kRequestsForbidden = "禁止点歌";
inline constexpr std::string_view kRequestsAllowed = "正常点歌";
inline constexpr std::string_view kUninstall = "卸载";

// ---- Fixed payload texts (UTF-8).
inline constexpr std::string_view kTrueText = "真";
inline constexpr std::string_view kFalseText = "假";
// Requester shown for radio songs; also the first field of kRadioSong.
inline constexpr std::string_view kRadioRequester = "系统随机";
inline constexpr std::string_view kQueueLowText = "当前点歌目录只剩3首，请点歌！";
inline constexpr std::string_view kSkipNoticePrefix = "当前歌曲已被 ";
inline constexpr std::string_view kSkipNoticeSuffix = " 切掉";

enum class Command {
  kUnknown,
  kUserJoin,
  kNameChange,
  kRequestSong,
  kClientSkip,
  kVoiceMessage,
  kFirstState,
  kRequestInterval,
  kSkipButtonShown,
  kQueueEntry,
  kSongAdded,
  kSkipNotice,
  kSongPlaying,
  kRadioSong,
  kLyricsLine,
  kSongTime,
  kSongProgress,
  kQueueLow,
  kSkipAllowed,
  kSkipForbidden,
  kRequestsForbidden,
  kRequestsAllowed,
  kUninstall,
};

// The UTF-8 command word of `command`; empty for kUnknown.
std::string_view CommandWord(Command command);

struct Message {
  Command command = Command::kUnknown;
  std::string payload;  // raw payload bytes (GBK)
};

// ParsePacket plus an exact match of the command word. Anything else (undecodable block,
// unknown or differently spelled command) gives kUnknown, which the dispatchers ignore.
Message DecodeMessage(std::string_view block);

// The payload as one UTF-8 text (up to its first zero byte), for the plain-text messages.
std::string PayloadUtf8(const Message& message);
// The payload split into fields on its GBK bytes, each field converted to UTF-8.
std::vector<std::string> FieldsUtf8(const Message& message);

// ---- Payload records.
struct UserJoin {
  std::string name;
  std::string ip;  // dotted IPv4 text of the client's LAN address
  bool operator==(const UserJoin&) const = default;
};
struct SongRequest {
  std::string requester, title, singer, url, cover_url, lyrics;  // lyrics: LRC text
  bool operator==(const SongRequest&) const = default;
};
struct FirstState {
  std::string requester;  // a user name, kRadioRequester, or empty before the first song
  std::string song_text;  // the server's song caption
  std::string cover_url;  // may be empty
  bool operator==(const FirstState&) const = default;
};
// Payload of kSongPlaying and of kRadioSong (whose requester is kRadioRequester).
struct NowPlaying {
  std::string requester, title, singer, cover_url;
  bool operator==(const NowPlaying&) const = default;
};
// Payload of kQueueEntry and kSongAdded.
struct QueuePair {
  std::string title, requester;
  bool operator==(const QueuePair&) const = default;
};

// ---- Builders, client to server.
std::string BuildUserJoin(std::string_view name, std::string_view ip);
std::string BuildNameChange(std::string_view name);
std::string BuildRequestSong(const SongRequest& request);
std::string BuildClientSkip(std::string_view name);
// `text` is the whole spoken sentence; VoiceMessageText composes the usual one.
std::string BuildVoiceMessage(std::string_view text);
// user + "想对" + addressee + "说，" + message.
std::string VoiceMessageText(std::string_view user, std::string_view addressee,
                             std::string_view message);

// ---- Builders, server to client.
std::string BuildFirstState(std::string_view requester, std::string_view song_text,
                            std::string_view cover_url);
std::string BuildRequestInterval(std::string_view text);
std::string BuildSkipButtonShown(bool shown);  // "真" / "假"
std::string BuildQueueEntry(std::string_view title, std::string_view requester);
std::string BuildSongAdded(std::string_view title, std::string_view requester);
// "当前歌曲已被 " + user + " 切掉": the notice sent and shown after a client's skip.
std::string SkipNoticeText(std::string_view user);
std::string BuildSkipNotice(std::string_view user);
std::string BuildSongPlaying(std::string_view requester, std::string_view title,
                             std::string_view singer, std::string_view cover_url);
// First field is kRadioRequester.
std::string BuildRadioSong(std::string_view title, std::string_view artist,
                           std::string_view picture_url);
std::string BuildLyricsLine(std::string_view line);
std::string BuildSongTime(std::string_view text);
std::string BuildSongProgress(std::string_view text);
std::string BuildQueueLow();
std::string BuildSkipAllowed();
std::string BuildSkipForbidden();
std::string BuildRequestsForbidden();
std::string BuildRequestsAllowed();
std::string BuildUninstall();

// ---- Parsers with the receivers' acceptance rules. Each returns std::nullopt when the
// message has another command or the wrong number of fields.
std::optional<UserJoin> ParseUserJoin(const Message& message);        // exactly 2 fields
std::optional<SongRequest> ParseRequestSong(const Message& message);  // exactly 6 fields
std::optional<FirstState> ParseFirstState(const Message& message);    // exactly 3 fields
std::optional<NowPlaying> ParseSongPlaying(const Message& message);   // exactly 4 fields
std::optional<NowPlaying> ParseRadioSong(const Message& message);     // exactly 4 fields
// kQueueEntry or kSongAdded: the pair split at its last "-"; no "-" at all is refused.
std::optional<QueuePair> ParseQueuePair(const Message& message);
// kSkipButtonShown: true only for exactly "真"; std::nullopt for another command.
std::optional<bool> ParseSkipButtonShown(const Message& message);

}  // namespace quilla::protocol
