#pragma once
#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

class TBackgroundProgram;
namespace httplib { class Client; }

// A headless Chromium driven through chromedriver's WebDriver protocol on the loopback address, for
// tests of pages as a user meets them: open a page, type into a field, read what the page shows.
// Elements are named by CSS selectors. Every failure of the browser or the driver is a
// std::runtime_error carrying the driver's message.
class TWebBrowser
{
public:
    // Starts chromedriver and a browser window of its own (fresh profile, no sandbox as root, where
    // Chromium's sandbox cannot start). Throws std::runtime_error naming the Debian packages when
    // chromium or chromedriver is not installed.
    TWebBrowser();
    // Closes the window and ends the driver and the browser.
    ~TWebBrowser();
    TWebBrowser(const TWebBrowser&) = delete;
    TWebBrowser& operator=(const TWebBrowser&) = delete;

    // Loads `url` and waits until the page has loaded.
    void Open(const std::string& url);
    // Empties the field, then types `text` into it key by key, as a user does.
    void Type(const std::string& selector, const std::string& text);
    // The current value of a form field (its `value` property), UTF-8.
    std::string Value(const std::string& selector);
    // The attribute's value; empty when the element has no such attribute.
    std::string Attribute(const std::string& selector, const std::string& name);
    // Waits up to `limit` until the attribute reads `expected`. Throws std::runtime_error showing the
    // last value when it does not.
    void WaitForAttribute(const std::string& selector, const std::string& name, const std::string& expected,
                          std::chrono::seconds limit);
    // Runs `script` as the body of a function in the page and returns what it returns.
    nlohmann::json Run(const std::string& script);

private:
    // One WebDriver command of the session: its "value", or a throw with the driver's message.
    nlohmann::json Command(const std::string& method, const std::string& path, const nlohmann::json& body);
    std::string Element(const std::string& selector);

    std::unique_ptr<TBackgroundProgram> FDriver;
    std::unique_ptr<httplib::Client> FClient;
    std::string FSession;  // "/session/<id>"
};
