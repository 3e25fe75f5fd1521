#include "server/radio/radio_channels.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace quilla::server {
namespace {

TEST(RadioChannelsTest, ListHas45EntriesWithFiveHeadingsThatSelectNothing) {
  const auto items = RadioChannelItems();
  ASSERT_EQ(items.size(), 45u);
  std::vector<int> headings;
  std::set<std::string_view> channels;
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_FALSE(items[i].label.empty()) << i;
    if (items[i].channel.empty()) {
      headings.push_back(static_cast<int>(i));
    } else {
      EXPECT_TRUE(items[i].channel.starts_with("public_")) << items[i].channel;
      EXPECT_TRUE(channels.insert(items[i].channel).second) << "twice: " << items[i].channel;
    }
  }
  EXPECT_EQ(headings, (std::vector<int>{0, 12, 21, 30, 39}));
  EXPECT_EQ(items[0].label, "-推荐频道-");
  EXPECT_EQ(items[12].label, "-时光频道-");
  EXPECT_EQ(items[21].label, "-风格频道-");
  EXPECT_EQ(items[30].label, "-心情频道-");
  EXPECT_EQ(items[39].label, "-语种频道-");
}

TEST(RadioChannelsTest, EntriesAndIndexLookup) {
  struct Case {
    int index;
    std::string_view label;
    std::string_view channel;
  };
  const Case cases[] = {
      {1, "热歌", "public_tuijian_rege"},        {6, "billboard", "public_tuijian_billboard"},
      {11, "秋日私语", "public_tuijian_autumn"}, {14, "80后", "public_shiguang_80hou"},
      {23, "DJ舞曲", "public_fengge_dj"},        {27, "电影", "public_fengge_dianyingyuansheng"},
      {38, "单身情歌", "public_xinqing_qingge"}, {44, "粤语", "public_yuzhong_yueyu"},
  };
  const auto items = RadioChannelItems();
  for (const Case& c : cases) {
    EXPECT_EQ(items[c.index].label, c.label);
    EXPECT_EQ(items[c.index].channel, c.channel);
    EXPECT_EQ(RadioChannelIndex(c.channel), c.index) << c.channel;
  }
  EXPECT_EQ(RadioChannelIndex(kDefaultRadioChannel), 1);
  EXPECT_EQ(RadioChannelIndex(""), std::nullopt);  // headings are not found by identifier
  EXPECT_EQ(RadioChannelIndex("public_tuijian"), std::nullopt);
}

}  // namespace
}  // namespace quilla::server
