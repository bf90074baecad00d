// The tree of a version resource (VS_VERSIONINFO and its StringFileInfo / VarFileInfo
// blocks) read node by node, to see keys in their stored order.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct VersionNode {
    std::wstring key;
    std::uint16_t type = 0;  // 1 text, 0 binary
    std::span<const std::uint8_t> value;
    std::vector<VersionNode> children;
};

// nullopt when a length points outside the bytes.
std::optional<VersionNode> ParseVersionNode(std::span<const std::uint8_t> bytes);

// The text of a text node's value, without its terminating NUL.
std::wstring VersionText(const VersionNode& node);
