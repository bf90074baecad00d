// Where a movie's shared objects (SharedObject.getLocal) are kept between runs. The host picks
// the place: the player keeps them per album and user under the user's application-data
// folder; a tool may keep them in memory. Keys are "<local path>/<name>" as the movie gave
// them (names are checked; paths may hold anything and must not become file paths as they are).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace script {

class SharedObjectStore {
public:
    virtual ~SharedObjectStore() = default;
    // The bytes stored under a key (a shared object's file), or nullopt.
    virtual std::optional<std::vector<uint8_t>> Load(const std::string& key) = 0;
    // Stores them; false when it could not.
    virtual bool Save(const std::string& key, const std::vector<uint8_t>& bytes) = 0;
    virtual void Remove(const std::string& key) = 0;
};

// Keeps them for as long as the store lives.
class MemorySharedObjectStore final : public SharedObjectStore {
public:
    std::optional<std::vector<uint8_t>> Load(const std::string& key) override {
        auto it = m_files.find(key);
        if (it == m_files.end())
            return std::nullopt;
        return it->second;
    }
    bool Save(const std::string& key, const std::vector<uint8_t>& bytes) override {
        m_files[key] = bytes;
        return true;
    }
    void Remove(const std::string& key) override { m_files.erase(key); }

private:
    std::map<std::string, std::vector<uint8_t>> m_files;
};

}  // namespace script
