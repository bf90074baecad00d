// Scratch space and process settings for tests, each put back when the test ends.
#pragma once

#include <optional>
#include <string>
#include <vector>

// A fresh folder below the system's temporary folder, deleted with all its contents at the end.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    // Path() + "\" + relative.
    std::wstring operator/(const std::wstring& relative) const;

private:
    std::wstring m_path;
};

// Sets (or, with nullopt, removes) an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const std::optional<std::wstring>& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring m_name;
    std::optional<std::wstring> m_saved;
};

// Makes a folder the current directory for the lifetime of the object.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::wstring& folder);
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    std::wstring m_saved;
};

// Test-side helpers, independent of the code under test.
void MakeFolder(const std::wstring& path);
void MakeFile(const std::wstring& path, const std::string& content = "x");
bool IsFolder(const std::wstring& path);
bool IsFile(const std::wstring& path);
// The whole content of a file; empty when it cannot be read.
std::string ReadFileContent(const std::wstring& path);
// The names in a folder, sorted, without "." and ".."; empty when the folder cannot be read.
std::vector<std::wstring> FolderEntries(const std::wstring& folder);
// Deletes a tree, read-only entries included. Links are removed, never entered.
void DeleteTree(const std::wstring& path);
// The folder that holds this test program.
std::wstring ProgramFolder();
