#pragma once

#include <QTemporaryDir>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace sablewick::test {

// Sets environment variables for one test and restores them afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment()
    {
        for (const auto& [name, old] : m_saved) {
            if (old)
                ::setenv(name.c_str(), old->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

    void set(const std::string& name, const std::string& value)
    {
        remember(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void unset(const std::string& name)
    {
        remember(name);
        ::unsetenv(name.c_str());
    }

private:
    void remember(const std::string& name)
    {
        if (m_saved.count(name))
            return;
        const char* old = std::getenv(name.c_str());
        m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    std::map<std::string, std::optional<std::string>> m_saved;
};

}  // namespace sablewick::test
