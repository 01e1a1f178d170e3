#include "WebBrowser.h"

#include <cstdlib>
#include <filesystem>
#include <httplib.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

#include "BackgroundProgram.h"

namespace {

// The program's full path from PATH; empty when it is not there.
std::string FindProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t colon = std::min(folders.find(':', start), folders.size());
        const std::filesystem::path candidate = std::filesystem::path(folders.substr(start, colon - start)) / name;
        if (colon > start && ::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = colon + 1;
    }
    return {};
}

// The WebDriver identifier of an element in a command's answer.
constexpr const char* ElementKey = "element-6066-11e4-a52e-4f735466cecf";

} // namespace

TWebBrowser::TWebBrowser()
{
    const std::string driver = FindProgram("chromedriver"), browser = FindProgram("chromium");
    if (driver.empty() || browser.empty())
        throw std::runtime_error(std::string(driver.empty() ? "chromedriver" : "chromium") +
                                 " is not installed: the browser tests need the Debian packages chromium and "
                                 "chromium-driver (scripts/deps installs them)");
    FDriver = std::make_unique<TBackgroundProgram>(std::vector<std::string>{driver, "--port=0"});
    // "ChromeDriver was started successfully on port 41235."
    const std::string line = FDriver->WaitForLine("started successfully on port ", std::chrono::seconds(30));
    const int port = std::atoi(line.c_str() + line.rfind(' ') + 1);
    FClient = std::make_unique<httplib::Client>("127.0.0.1", port);
    FClient->set_read_timeout(60, 0);

    nlohmann::json args = {"--headless=new", "--disable-gpu", "--disable-dev-shm-usage", "--no-first-run",
                           "--window-size=800,600"};
    if (::geteuid() == 0) args.push_back("--no-sandbox");
    const nlohmann::json capabilities = {
        {"capabilities",
         {{"alwaysMatch", {{"goog:chromeOptions", {{"binary", browser}, {"args", args}}}}}}}};
    const nlohmann::json session = Command("POST", "/session", capabilities);
    FSession = "/session/" + session.at("sessionId").get<std::string>();
}

TWebBrowser::~TWebBrowser()
{
    if (!FSession.empty()) {
        try {
            Command("DELETE", FSession, nullptr);
        } catch (const std::exception&) {
            // The driver is ended below either way, and the browser with its process group.
        }
    }
    FClient.reset();
    FDriver.reset();
}

nlohmann::json TWebBrowser::Command(const std::string& method, const std::string& path, const nlohmann::json& body)
{
    const std::string text = body.is_null() ? "{}" : body.dump();
    httplib::Result result = method == "GET"    ? FClient->Get(path.c_str())
                             : method == "POST" ? FClient->Post(path.c_str(), text, "application/json")
                                                : FClient->Delete(path.c_str());
    if (!result) throw std::runtime_error("chromedriver does not answer " + method + " " + path);
    const nlohmann::json answer = nlohmann::json::parse(result->body, nullptr, false);
    if (answer.is_discarded() || !answer.contains("value"))
        throw std::runtime_error("chromedriver answered " + method + " " + path + " with " + result->body);
    const nlohmann::json& value = answer["value"];
    if (result->status != 200) {
        const std::string message = value.is_object() ? value.value("message", result->body) : result->body;
        throw std::runtime_error("browser: " + method + " " + path + ": " + message);
    }
    return value;
}

void TWebBrowser::Open(const std::string& url)
{
    Command("POST", FSession + "/url", {{"url", url}});
}

std::string TWebBrowser::Element(const std::string& selector)
{
    const nlohmann::json found = Command("POST", FSession + "/element", {{"using", "css selector"}, {"value", selector}});
    return found.at(ElementKey).get<std::string>();
}

void TWebBrowser::Type(const std::string& selector, const std::string& text)
{
    const std::string element = FSession + "/element/" + Element(selector);
    Command("POST", element + "/clear", nullptr);
    Command("POST", element + "/value", {{"text", text}});
}

std::string TWebBrowser::Value(const std::string& selector)
{
    const nlohmann::json value = Command("GET", FSession + "/element/" + Element(selector) + "/property/value", nullptr);
    return value.is_string() ? value.get<std::string>() : std::string();
}

std::string TWebBrowser::Attribute(const std::string& selector, const std::string& name)
{
    const nlohmann::json value = Command("GET", FSession + "/element/" + Element(selector) + "/attribute/" + name, nullptr);
    return value.is_string() ? value.get<std::string>() : std::string();
}

void TWebBrowser::WaitForAttribute(const std::string& selector, const std::string& name, const std::string& expected,
                                   std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string last;
    while ((last = Attribute(selector, name)) != expected) {
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error(selector + " " + name + " still reads \"" + last + "\", not \"" + expected + "\"");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

nlohmann::json TWebBrowser::Run(const std::string& script)
{
    return Command("POST", FSession + "/execute/sync", {{"script", script}, {"args", nlohmann::json::array()}});
}
