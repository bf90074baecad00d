// A display host for the interpreter's tests: one root clip, trace lines collected, frame
// commands counted. Also a small assembler for action bytecode.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "script/DisplayHost.h"
#include "script/Vm.h"

namespace script::test {

class TestHost final : public DisplayHost {
public:
    static constexpr ClipId kRoot = 7;
    std::vector<std::string> lines;
    int gotoFrame = 0;
    bool playing = true;

    ClipId Level(int level) override { return level == 0 ? kRoot : kNoClip; }
    int LevelNumber(ClipId c) override { return c == kRoot ? 0 : -1; }
    ClipId Parent(ClipId) override { return kNoClip; }
    ClipId ChildByName(ClipId, std::string_view, bool) override { return kNoClip; }
    void Children(ClipId, std::vector<ClipId>&) override {}
    bool IsAlive(ClipId c) override { return c == kRoot; }
    std::string Name(ClipId) override { return ""; }
    int Version(ClipId) override { return 8; }
    Value GetProperty(ClipId, int index) override;
    void SetProperty(ClipId, int, double, const std::string&) override {}
    void GotoFrame(ClipId, int frame) override { gotoFrame = frame; }
    void CallFrame(ClipId, int) override {}
    int FrameOfLabel(ClipId, std::string_view) override { return 0; }
    void Play(ClipId) override { playing = true; }
    void Stop(ClipId) override { playing = false; }
    void NextFrame(ClipId) override {}
    void PrevFrame(ClipId) override {}
    ClipId Duplicate(ClipId, std::string_view, int) override { return kNoClip; }
    ClipId CreateEmpty(ClipId, std::string_view, int) override { return kNoClip; }
    ClipId Attach(ClipId, std::string_view, std::string_view, int) override { return kNoClip; }
    void Remove(ClipId) override {}
    void StartDrag(ClipId, bool, const double*) override {}
    void StopDrag() override {}
    void GetUrl(ClipId, std::string_view, std::string_view, int, bool, bool) override {}
    void Trace(std::string_view line) override { lines.emplace_back(line); }

    // The movie's sound transform (the root has none of its own) and shared objects' files.
    int32_t sound[5] = {100, 100, 0, 0, 100};
    std::map<std::string, std::vector<uint8_t>> sharedFiles;
    bool GetSoundTransform(ClipId c, int32_t out[5]) override {
        if (c != kNoClip)
            return false;
        std::memcpy(out, sound, sizeof sound);
        return true;
    }
    void SetSoundTransform(ClipId c, const int32_t in[5]) override {
        if (c == kNoClip)
            std::memcpy(sound, in, sizeof sound);
    }
    bool LoadSharedObject(const std::string& key, std::vector<uint8_t>& out) override {
        auto it = sharedFiles.find(key);
        if (it == sharedFiles.end())
            return false;
        out = it->second;
        return true;
    }
    bool SaveSharedObject(const std::string& key, const std::vector<uint8_t>& bytes) override {
        sharedFiles[key] = bytes;
        return true;
    }
    void RemoveSharedObject(const std::string& key) override { sharedFiles.erase(key); }
};

// Builds an action block: Op() for plain actions, Push*() for one-value pushes, Record() for
// actions with a payload. Offsets are byte positions, for hand-computed branches.
class Asm {
public:
    std::vector<uint8_t> bytes;
    size_t Here() const { return bytes.size(); }
    Asm& Op(uint8_t op) {
        bytes.push_back(op);
        return *this;
    }
    Asm& Record(uint8_t op, const std::vector<uint8_t>& payload) {
        bytes.push_back(op);
        bytes.push_back(static_cast<uint8_t>(payload.size() & 0xFF));
        bytes.push_back(static_cast<uint8_t>(payload.size() >> 8));
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        return *this;
    }
    static std::vector<uint8_t> Str(const std::string& s) {
        std::vector<uint8_t> v(s.begin(), s.end());
        v.push_back(0);
        return v;
    }
    Asm& PushStr(const std::string& s) {
        std::vector<uint8_t> p{0};
        auto t = Str(s);
        p.insert(p.end(), t.begin(), t.end());
        return Record(0x96, p);
    }
    Asm& PushNum(double d) {
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        std::vector<uint8_t> p{6};
        uint32_t hi = static_cast<uint32_t>(bits >> 32), lo = static_cast<uint32_t>(bits);
        for (int i = 0; i < 4; ++i)
            p.push_back(static_cast<uint8_t>(hi >> (8 * i)));
        for (int i = 0; i < 4; ++i)
            p.push_back(static_cast<uint8_t>(lo >> (8 * i)));
        return Record(0x96, p);
    }
    Asm& PushReg(uint8_t r) { return Record(0x96, {4, r}); }
    Asm& PushUndefined() { return Record(0x96, {3}); }
    // Jump or If (op 0x99 / 0x9D) to an absolute offset.
    Asm& Branch(uint8_t op, size_t target) {
        long long off = static_cast<long long>(target) - static_cast<long long>(Here() + 5);
        uint16_t o = static_cast<uint16_t>(static_cast<int16_t>(off));
        return Record(op, {static_cast<uint8_t>(o & 0xFF), static_cast<uint8_t>(o >> 8)});
    }
    Asm& Trace() { return Op(0x26); }
    std::shared_ptr<const std::vector<uint8_t>> Block() const {
        return std::make_shared<const std::vector<uint8_t>>(bytes);
    }
};

}  // namespace script::test
