#include "support/FilePath.h"

#include "support/StringUtil.h"

CFilePath& CFilePath::operator=(const CFilePath& other) {
    if (this != &other) {
        m_text = other.m_text;
    }
    return *this;
}

CFilePath& CFilePath::operator=(const std::string& text) {
    m_text = text;
    return *this;
}

CFilePath& CFilePath::operator=(const char* text) {
    m_text = text != nullptr ? text : "";
    return *this;
}

CFilePath::Parts CFilePath::Split() const {
    Parts parts;
    std::string rest = m_text;
    if (rest.size() >= 2 && rest[1] == ':') {
        parts.drive = rest.substr(0, 1);
        rest.erase(0, 2);
    }
    const std::size_t sep = FindLastOf(rest, "\\/");
    std::string file = rest;
    if (sep != std::string::npos) {
        parts.dir = rest.substr(0, sep + 1);
        file = rest.substr(sep + 1);
    }
    const std::size_t dot = FindLastChar(file, '.');
    if (dot != std::string::npos) {
        parts.title = file.substr(0, dot);
        parts.ext = file.substr(dot + 1);
    } else {
        parts.title = file;
    }
    RemoveTrailingBackslash(parts.dir);
    return parts;
}

void CFilePath::Compose(const Parts& parts) {
    std::string text;
    if (!parts.drive.empty()) {
        text += parts.drive[0];
        text += ':';
    }
    if (!parts.dir.empty()) {
        text += parts.dir;
        if (parts.dir.back() != '\\' && parts.dir.back() != '/') {
            text += '\\';
        }
    }
    text += parts.title;
    if (!parts.ext.empty()) {
        if (parts.ext.front() != '.') {
            text += '.';
        }
        text += parts.ext;
    }
    m_text = std::move(text);
}

std::string CFilePath::GetDrive() const {
    return Split().drive;
}

std::string CFilePath::GetDirectory() const {
    return Split().dir;
}

std::string CFilePath::GetDriveDirectory() const {
    const Parts parts = Split();
    if (parts.drive.empty()) {
        return std::string();
    }
    return parts.drive + ':' + parts.dir;
}

std::string CFilePath::GetFileName() const {
    const Parts parts = Split();
    return parts.ext.empty() ? parts.title : parts.title + '.' + parts.ext;
}

std::string CFilePath::GetFileTitle() const {
    return Split().title;
}

std::string CFilePath::GetExtension() const {
    return Split().ext;
}

void CFilePath::SetDrive(const std::string& letter) {
    Parts parts = Split();
    parts.drive = letter.substr(0, 1);
    Compose(parts);
}

void CFilePath::SetDirectory(const std::string& dir) {
    Parts parts = Split();
    parts.dir = dir;
    AddLeadingBackslash(parts.dir);
    AddTrailingBackslash(parts.dir);
    Compose(parts);
}

void CFilePath::SetDriveDirectory(const std::string& dirPath) {
    Parts parts = Split();
    parts.drive.clear();
    parts.dir = dirPath;
    AddTrailingBackslash(parts.dir);
    Compose(parts);
}

void CFilePath::SetFileTitle(const std::string& title) {
    Parts parts = Split();
    parts.title = title;
    Compose(parts);
}

void CFilePath::SetExtension(const std::string& ext) {
    Parts parts = Split();
    parts.ext = ext;
    Compose(parts);
}

void CFilePath::SetFileName(const std::string& name) {
    Parts parts = Split();
    parts.title = name;
    parts.ext.clear();
    Compose(parts);
}

void CFilePath::AppendDirectory(const std::string& name) {
    if (name.empty()) {
        return;
    }
    std::string added = name;
    RemoveLeadingBackslash(added);
    AddTrailingBackslash(added);
    Parts parts = Split();
    AddTrailingBackslash(parts.dir);
    parts.dir += added;
    Compose(parts);
}

void CFilePath::RemoveLastDirectory(std::string* removed) {
    std::string dir = GetDirectory();
    RemoveTrailingBackslash(dir);
    if (dir.empty()) {
        return;
    }
    const std::size_t last = FindLastChar(dir, '\\');
    if (removed != nullptr) {
        *removed = last == std::string::npos ? dir : dir.substr(last);
        RemoveLeadingBackslash(*removed);
    }
    if (last == std::string::npos) {
        // A relative directory of one component ("APP\X.EXE"): it goes entirely. Keeping it
        // (and making it absolute through SetDirectory) would report APP as removed while the
        // path still contains it.
        Parts parts = Split();
        parts.dir.clear();
        Compose(parts);
        return;
    }
    dir.resize(last);
    SetDirectory(dir);
}

void CFilePath::MakeRoot() {
    SetDirectory(std::string());
    SetFileName(std::string());
}
