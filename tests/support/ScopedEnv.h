#pragma once
#include <cstdlib>
#include <optional>
#include <string>

// Sets (or, with nullopt, unsets) an environment variable for the life of the object, then puts
// back what was there.
class TScopedEnv
{
public:
    TScopedEnv(const char* name, const std::optional<std::string>& value) : FName(name)
    {
        if (const char* old = std::getenv(name)) FOld = old;
        Apply(value);
    }
    ~TScopedEnv() { Apply(FOld); }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    void Apply(const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(FName, value->c_str(), 1);
        else
            ::unsetenv(FName);
    }
    const char* FName;
    std::optional<std::string> FOld;
};
