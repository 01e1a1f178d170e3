// examples/address-form.html in a headless Chromium, against harvik-query --serve on the small sample
// list (data/Ken_all.csv): the page comes from one loopback server, the answers from the service on
// another port, as when the page lies on a site of its own.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "BackgroundProgram.h"
#include "LoopbackServer.h"
#include "WebBrowser.h"

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

constexpr std::chrono::seconds Patience(30);  // far beyond a lookup's time: only a fault waits this long

class AddressForm : public ::testing::Test
{
protected:
    // Serves the page and starts the service with `serviceArgs` after --serve, then opens the page in
    // the browser, pointed at the service by its address.
    void Start(std::vector<std::string> serviceArgs)
    {
        TLoopbackRoute page;
        page.Body = ReadText(HARVIK_SOURCE_DIR "/examples/address-form.html");
        page.ContentType = "text/html; charset=utf-8";
        ASSERT_FALSE(page.Body.empty());

        std::vector<std::string> args{HARVIK_QUERY, "--serve", "127.0.0.1:0", "--data",
                                      HARVIK_SOURCE_DIR "/data/Ken_all.csv"};
        args.insert(args.end(), serviceArgs.begin(), serviceArgs.end());
        FService = std::make_unique<TBackgroundProgram>(args);
        // "harvik-query: serving on http://127.0.0.1:PORT"
        const std::string line = FService->WaitForLine("serving on http://", Patience);
        FServiceUrl = line.substr(line.find("http://"));

        // The path as the browser asks for it: a query keeps its ":" and "/".
        const std::string path = "/address-form.html?service=" + FServiceUrl;
        FPages.Route(path, page);
        FBrowser = std::make_unique<TWebBrowser>();
        FBrowser->Open(FPages.Url(path));
    }

    // Types `code` into the postal-code field and waits until the page has handled the answer for
    // `lookedUp` (the seven digits it asks the service for).
    void TypeCode(const std::string& code, const std::string& lookedUp)
    {
        FBrowser->Type("#code", code);
        FBrowser->WaitForAttribute("#address", "data-looked-up", lookedUp, Patience);
    }

    // Prefecture, city and town as the page shows them.
    std::vector<std::string> Address()
    {
        return {FBrowser->Value("#prefecture"), FBrowser->Value("#city"), FBrowser->Value("#town")};
    }

    std::string PageOrigin() const { return FPages.Url(""); }

    TLoopbackServer FPages;
    std::unique_ptr<TBackgroundProgram> FService;
    std::string FServiceUrl;
    std::unique_ptr<TWebBrowser> FBrowser;
};

using TAddress = std::vector<std::string>;

TEST_F(AddressForm, TypingSevenDigitsFillsPrefectureCityAndTown)
{
    Start({"--allow-origin", PageOrigin()});

    TypeCode("1000005", "1000005");
    EXPECT_EQ(Address(), (TAddress{"東京都", "千代田区", "丸の内"}));  // the note （次のビルを除く） dropped
    EXPECT_EQ(FBrowser->Attribute("#status", "data-state"), "filled");

    // The hyphen, and digits typed in full width, are the same code.
    TypeCode("１００－０００１", "1000001");
    EXPECT_EQ(Address(), (TAddress{"東京都", "千代田区", "千代田"}));
    TypeCode("600-8216", "6008216");
    EXPECT_EQ(Address(), (TAddress{"京都府", "京都市下京区", "東塩小路町"}));

    // Two towns share 900-0015: the first is filled in, both are offered on the town field.
    TypeCode("9000015", "9000015");
    EXPECT_EQ(Address(), (TAddress{"沖縄県", "那覇市", "久茂地"}));
    EXPECT_EQ(FBrowser->Run("return [...document.querySelectorAll('#towns option')].map(o => o.value);"),
              nlohmann::json({"久茂地", "久茂地東"}));
    EXPECT_EQ(FBrowser->Attribute("#status", "data-state"), "choose");

    // The list's "not listed below" entry of a city names no town.
    TypeCode("0600000", "0600000");
    EXPECT_EQ(Address(), (TAddress{"北海道", "札幌市中央区", ""}));

    // A code the list does not hold leaves what is filled in and says so.
    TypeCode("1234567", "1234567");
    EXPECT_EQ(Address(), (TAddress{"北海道", "札幌市中央区", ""}));
    EXPECT_EQ(FBrowser->Attribute("#status", "data-state"), "none");

    // Fewer digits ask nothing; the message goes.
    FBrowser->Type("#code", "100000");
    EXPECT_EQ(FBrowser->Attribute("#status", "data-state"), "");
    EXPECT_EQ(FBrowser->Attribute("#address", "data-looked-up"), "1234567");

    // The service answered every lookup. The browser goes first: the connection it keeps open
    // would hold the service's stop up until the service drops it as idle.
    FBrowser.reset();
    const int stopped = FService->Stop(SIGTERM, Patience);
    EXPECT_EQ(stopped, 0) << FService->Output();
    const std::string log = FService->Output();
    for (const char* code : {"1000005", "1000001", "6008216", "9000015", "0600000", "1234567"})
        EXPECT_NE(log.find(code), std::string::npos) << code << " is not in the service's log:\n" << log;
}

TEST_F(AddressForm, AServiceThatDoesNotAllowThePagesOriginIsReportedAndNothingFilled)
{
    Start({});  // no --allow-origin: the browser keeps the answer from the page

    TypeCode("1000005", "1000005");
    EXPECT_EQ(Address(), (TAddress{"", "", ""}));
    EXPECT_EQ(FBrowser->Attribute("#status", "data-state"), "error");
    EXPECT_NE(FBrowser->Value("#status").find(FServiceUrl), std::string::npos);
}

} // namespace
