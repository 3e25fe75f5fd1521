#include "client/search/search_service.h"

#include <gtest/gtest.h>

#include "client/search/search_catalogue.h"

namespace quilla::client {
namespace {

TEST(SearchFormBody, EncodesTheTextAsUtf8KeepingLettersDigitsHyphenAndFullStop) {
  struct Case {
    const char* text;
    const char* source;
    int page;
    const char* body;
  };
  const Case cases[] = {
      {"你好", "qq", 1, "input=%E4%BD%A0%E5%A5%BD&filter=name&type=qq&page=1"},
      {"abc", "qq", 2, "input=abc&filter=name&type=qq&page=2"},
      {"a b", "kuwo", 1, "input=a%20b&filter=name&type=kuwo&page=1"},
      {"A-Z.09", "qq", 12, "input=A-Z.09&filter=name&type=qq&page=12"},
      {"a_b~c&d=e+f", "qq", 1, "input=a%5Fb%7Ec%26d%3De%2Bf&filter=name&type=qq&page=1"},
      {"", "netease", 1, "input=&filter=name&type=netease&page=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SearchFormBody(c.text, c.source, c.page), c.body);
  }
}

TEST(SearchCatalogue, EntriesAndTheirCodes) {
  const char* codes[] = {"qq", "kugou", "kuwo", "baidu", "netease"};
  for (int entry = 0; entry < 5; ++entry) EXPECT_EQ(CatalogueCode(entry), codes[entry]);
  EXPECT_EQ(kCatalogues[2].text, "酷我音乐");
  EXPECT_FALSE(CatalogueCode(-1));
  EXPECT_FALSE(CatalogueCode(5));
}

TEST(ServiceAddress, ReadsABaseAddress) {
  struct Case {
    const char* text;
    std::optional<ServiceAddress> address;
  };
  const Case cases[] = {
      {"http://music.lan", ServiceAddress{"http", "music.lan"}},
      {" HTTPS://music.lan:8443/ ", ServiceAddress{"https", "music.lan:8443"}},
      {"127.0.0.1:8080", ServiceAddress{"http", "127.0.0.1:8080"}},
      {"http://music.lan/search?x=1", ServiceAddress{"http", "music.lan"}},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"ftp://music.lan", std::nullopt},
      {"http://", std::nullopt},
      {"http://:80", std::nullopt},
      {"http://user@music.lan", std::nullopt},
      {"http://music lan", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseServiceAddress(c.text), c.address);
  }
  EXPECT_EQ(SearchServiceUrl({"https", "music.lan:8443"}), "https://music.lan:8443/");
}

TEST(SearchHeaderBlock, IsTheBrowsersBlockWithTheServicesHost) {
  EXPECT_EQ(SearchHeaderBlock({"http", "music.lan:8080"}),
            "POST / HTTP/1.1\r\n"
            "Host: music.lan:8080\r\n"
            "Connection: keep-alive\r\n"
            "Content-Length: 42\r\n"
            "Accept: application/json, text/javascript, */*; q=0.01\r\n"
            "Origin: http://music.lan:8080/\r\n"
            "X-Requested-With: XMLHttpRequest\r\n"
            "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like "
            "Gecko) Chrome/55.0.2883.87 Safari/537.36\r\n"
            "Content-Type: application/x-www-form-urlencoded; charset=UTF-8\r\n"
            "Referer: http://music.lan:8080/\r\n"
            "Accept-Encoding: gzip, deflate\r\n"
            "Accept-Language: zh-CN,zh;q=0.8");
}

}  // namespace
}  // namespace quilla::client
