#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "IniFileStore.h"
#include "wsclass.h"

// Installed as the window services' INI stores for its lifetime: keeps "file|section|key" -> value
// in memory. RefuseWrites makes every write fail; Removed counts the deletes that reached a store.
class TFakeProfiles
{
public:
    TFakeProfiles() : FPrevious(std::move(WsApplication.OpenProfile))
    {
        WsApplication.OpenProfile = [this](const std::string& path) { return std::make_unique<TStore>(*this, path); };
    }
    ~TFakeProfiles() { WsApplication.OpenProfile = std::move(FPrevious); }
    TFakeProfiles(const TFakeProfiles&) = delete;
    TFakeProfiles& operator=(const TFakeProfiles&) = delete;

    std::map<std::string, std::string> Values;
    bool RefuseWrites = false;
    int Removed = 0;

private:
    class TStore : public IWsProfileStore
    {
    public:
        TStore(TFakeProfiles& owner, std::string path) : FOwner(owner), FPath(std::move(path)) {}
        std::string Read(const std::string& section, const std::string& key, const std::string& fallback) override
        {
            const auto found = FOwner.Values.find(Name(section, key));
            return found == FOwner.Values.end() ? fallback : found->second;
        }
        bool Write(const std::string& section, const std::string& key, const std::string& value) override
        {
            if (FOwner.RefuseWrites) return false;
            FOwner.Values[Name(section, key)] = value;
            return true;
        }
        void Remove(const std::string& section, const std::string& key) override
        {
            ++FOwner.Removed;
            FOwner.Values.erase(Name(section, key));
        }

    private:
        std::string Name(const std::string& section, const std::string& key) const { return FPath + "|" + section + "|" + key; }
        TFakeProfiles& FOwner;
        std::string FPath;
    };

    std::function<std::unique_ptr<IWsProfileStore>(const std::string&)> FPrevious;
};
