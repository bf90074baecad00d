#!/bin/bash
# Checks every #include of the tree against the layer table (scripts/layers.txt):
#  - "<folder>/Name.h" only from a folder the table lets use <folder>, and only a public header
#    (<folder>/include/<folder>/Name.h);
#  - no "../" in an include;
#  - no Windows header in a file the table marks portable;
#  - every folder holding sources has a line in the table.
# Prints one line per fault and exits 1 when there is any.
#   scripts/check-layers.sh [TABLE]
set -eu
cd "$(dirname "$0")/.."
table=${1:-scripts/layers.txt}

find . \( -path ./build -o -path ./.git -o -path ./tests/fuzz/seeds \) -prune -o -type f \
     \( -name '*.h' -o -name '*.c' -o -name '*.cpp' -o -name '*.rc' \) -print | sed 's|^\./||' | sort |
awk -v table="$table" '
function owner(path,    best, f) {
    best = ""
    for (f in allowed)
        if (index(path, f "/") == 1 && length(f) > length(best))
            best = f
    return best
}
function is_portable(path,    p) {
    if (path ~ /_win\.[a-z]+$/)
        return 0
    for (p in portable)
        if (path == p || index(path, p "/") == 1)
            return 1
    return 0
}
function fault(text) { print text; faults++ }
BEGIN {
    while ((getline line < table) > 0) {
        sub(/#.*/, "", line)
        if (line ~ /^[ \t]*$/)
            continue
        n = split(line, word, /[ \t]+/)
        if (word[1] == "portable") {
            for (i = 2; i <= n; i++) portable[word[i]] = 1
            continue
        }
        folder = word[1]; sub(/:$/, "", folder)
        allowed[folder] = " " folder " "
        for (i = 2; i <= n; i++) if (word[i] != "") allowed[folder] = allowed[folder] word[i] " "
    }
    windows = "^(windows|windowsx|win[a-z0-9]+|ole[a-z0-9]*|oaidl|ocidl|objbase|objidl|unknwn|guiddef|" \
              "shellapi|shlwapi|shlobj|commctrl|commdlg|wtypes|tchar|mmsystem|versionhelpers)\\.h$"
}
{
    path = $0
    from = owner(path)
    top = path; sub(/\/.*/, "", top)
    if (from == "") {
        if (path ~ /\//) fault(path ": folder " top "/ is not in " table)
        next
    }
    portable_file = is_portable(path)
    lineno = 0
    while ((getline text < path) > 0) {
        lineno++
        if (text !~ /^[ \t]*#[ \t]*include[ \t]*[<"]/)
            continue
        name = text; sub(/^[ \t]*#[ \t]*include[ \t]*[<"]/, "", name); sub(/[>"].*$/, "", name)
        where = path ":" lineno ": "
        if (portable_file && tolower(name) ~ windows)
            fault(where "portable code includes the Windows header <" name ">")
        if (text ~ /^[ \t]*#[ \t]*include[ \t]*</)
            continue
        if (name ~ /(^|\/)\.\.\//) {
            fault(where "\"" name "\" reaches out of its folder with ../")
            continue
        }
        to = owner(name)
        if (to == "" || name !~ /\//)
            continue
        if (allowed[from] != " tests * " && index(allowed[from], " " to " ") == 0)
            fault(where from "/ may not include " to "/ (\"" name "\"): not in its line of " table)
        else if (to != "tests" && from != "tests" && system("test -f \"" to "/include/" name "\"") != 0)
            fault(where "\"" name "\" is not a public header of " to "/ (" to "/include/" name ")")
        else if (from == "tests" && to != "tests" && system("test -f \"" to "/include/" name "\"") != 0)
            fault(where "\"" name "\" is not a public header of " to "/ (" to "/include/" name ")")
    }
    close(path)
}
END {
    if (faults) {
        print faults " include(s) cross the layers the wrong way (table: " table ")"
        exit 1
    }
    print "layers: every include follows " table
}'
