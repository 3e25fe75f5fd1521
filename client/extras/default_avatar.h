#pragma once
// The avatar a user has before choosing one, and where to find others.

#include <string>
#include <string_view>

namespace quilla::client {

// A picture drawn by the program itself (a light figure on a blue ground, 130 x 130
// pixels, square), as PNG bytes. Needs no network: without one the left strip still shows
// a round avatar. Thread-safe.
std::string DefaultAvatarPicture();

// The avatar gallery that "推荐网站>>" opens in the browser (never fetched by the program).
inline constexpr std::string_view kAvatarGalleryUrl = "https://www.woyaogexing.com/touxiang/";
// The hint under the address box (`透明标签2`): what an image address looks like.
inline constexpr std::string_view kAvatarExampleAddress = "https://example.com/images/avatar.jpg";
// The hint how to find one (`透明标签1` of the avatar window).
inline constexpr std::string_view kAvatarAddressHint =
    "百度搜索“头像”或其它---打开图片所在页面---右键复制图片地址";

}  // namespace quilla::client
