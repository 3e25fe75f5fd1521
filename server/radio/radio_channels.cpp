#include "server/radio/radio_channels.h"

#include <array>

namespace quilla::server {
namespace {

constexpr std::array<RadioChannelItem, 45> kItems{{
    {"-推荐频道-", ""},
    {"热歌", "public_tuijian_rege"},
    {"KTV金曲", "public_tuijian_ktv"},
    {"成名曲", "public_tuijian_chengmingqu"},
    {"网络歌曲", "public_tuijian_wangluo"},
    {"随便听听", "public_tuijian_suibiantingting"},
    {"billboard", "public_tuijian_billboard"},
    {"开车", "public_tuijian_kaiche"},
    {"影视", "public_tuijian_yingshi"},
    {"温暖冬日", "public_tuijian_winter"},
    {"漫步春天", "public_tuijian_spring"},
    {"秋日私语", "public_tuijian_autumn"},
    {"-时光频道-", ""},
    {"经典老歌", "public_shiguang_jingdianlaoge"},
    {"80后", "public_shiguang_80hou"},
    {"90后", "public_shiguang_90hou"},
    {"火爆新歌", "public_shiguang_xinge"},
    {"夜店", "public_shiguang_yedian"},
    {"70后", "public_shiguang_70hou"},
    {"儿歌", "public_shiguang_erge"},
    {"旅行", "public_shiguang_lvxing"},
    {"-风格频道-", ""},
    {"流行", "public_fengge_liuxing"},
    {"DJ舞曲", "public_fengge_dj"},
    {"轻音乐", "public_fengge_qingyinyue"},
    {"小清新", "public_fengge_xiaoqingxin"},
    {"摇滚", "public_fengge_yaogun"},
    {"电影", "public_fengge_dianyingyuansheng"},
    {"中国风", "public_fengge_zhongguofeng"},
    {"民谣", "public_fengge_minyao"},
    {"-心情频道-", ""},
    {"欢快旋律", "public_xinqing_huankuai"},
    {"舒缓节奏", "public_xinqing_shuhuan"},
    {"伤感", "public_xinqing_shanggan"},
    {"轻松假日", "public_xinqing_qingsongjiari"},
    {"慵懒午后", "public_xinqing_yonglanwuhou"},
    {"甜蜜感受", "public_xinqing_tianmi"},
    {"寂寞", "public_xinqing_jimo"},
    {"单身情歌", "public_xinqing_qingge"},
    {"-语种频道-", ""},
    {"华语", "public_yuzhong_huayu"},
    {"欧美", "public_yuzhong_oumei"},
    {"日语", "public_yuzhong_riyu"},
    {"韩语", "public_yuzhong_hanyu"},
    {"粤语", "public_yuzhong_yueyu"},
}};

}  // namespace

std::span<const RadioChannelItem> RadioChannelItems() {
  return kItems;
}

std::optional<int> RadioChannelIndex(std::string_view channel) {
  if (channel.empty()) return std::nullopt;
  for (std::size_t i = 0; i < kItems.size(); ++i) {
    if (kItems[i].channel == channel) return static_cast<int>(i);
  }
  return std::nullopt;
}

}  // namespace quilla::server
