// Reads a movie file from disk into a MovieDocument, with the size bounded.
#pragma once

#include "control/MovieDocument.h"

#include <memory>
#include <string>

namespace control {

// The movie at `path`, or nullptr when the file is missing, unreadable, larger than
// kMaxMovieBytes or not a movie the control can play. `problem`, when given, says why.
// Never throws.
std::shared_ptr<const MovieDocument> LoadMovieFile(const std::wstring& path, std::string* problem = nullptr) noexcept;

}  // namespace control
