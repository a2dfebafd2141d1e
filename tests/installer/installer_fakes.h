// Fakes of the installer window's controls, file system and program start. All of them write to
// one journal, so that a test sees the order of everything a handler did.
#pragma once

#include "installer/deploy/loadkit_form.h"

#include <map>
#include <set>
#include <string>
#include <vector>

using Journal = std::vector<std::string>;

class FakeControls final : public LoadkitForm::Controls {
public:
    explicit FakeControls(Journal& journal) : journal_(journal) {}

    std::string DestinationText() const override { return destination; }
    std::string LogText() const override { return log; }
    void SetLogText(std::string_view text) override {
        log = text;
        journal_.push_back("log=" + log);
    }
    void SetStatus(std::string_view text) override {
        status = text;
        journal_.push_back("status=" + status);
    }
    void Repaint() override { journal_.push_back("repaint"); }
    void ShowWholeLog() override { journal_.push_back("show whole log"); }
    void ShowMessage(std::string_view prompt, std::string_view title) override {
        journal_.push_back("box " + std::string(title) + ": " + std::string(prompt));
    }

    std::string destination = "C:\\Velmo";
    std::string log;
    std::string status;

private:
    Journal& journal_;
};

// Directories and files by their exact path text; a path's parent is the text before its last
// backslash. The failure texts name the path, so that a test can tell the log lines apart. A
// directory is one that others cannot change, the operator's, unless `facts` says otherwise.
class FakeFileSystem final : public FileSystem {
public:
    explicit FakeFileSystem(Journal& journal) : journal_(journal) {}

    std::string OwnDirectory() const override { return ownDirectory; }
    Failure MakeDirectory(const std::string& path, const AccessList& list) override {
        journal_.push_back("mkdir " + path);
        if (path.empty()) return "invalid path";
        if (directories.contains(path)) return "exists " + path;
        if (!directories.contains(Parent(path))) return "no parent " + path;
        directories.insert(path);
        lists[path] = list;
        return {};
    }
    PathFacts Describe(const std::string& path) override {
        if (facts.contains(path)) return facts[path];
        if (!directories.contains(path)) return {};
        return {.kind = PathKind::Directory, .keepsAccessLists = true, .owner = Owner::Operator,
                .othersMayWrite = false, .operatorMayChangeList = true};
    }
    // Others can no longer change the directory, unless the volume ignores the list.
    void SetAccessList(const std::string& path, const AccessList& list) override {
        journal_.push_back("set list " + path);
        lists[path] = list;
        if (listsTakeEffect && facts.contains(path)) facts[path].othersMayWrite = false;
    }
    Failure Copy(const std::string& from, const std::string& to) override {
        journal_.push_back("copy " + from + " > " + to);
        if (!files.contains(from)) return "missing " + from;
        if (!directories.contains(Parent(to))) return "cannot write " + to;
        files[to] = files[from];
        return {};
    }

    static std::string Parent(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

    std::string ownDirectory = "M:\\Setup\\Driver";
    std::set<std::string> directories;
    std::map<std::string, PathFacts> facts;
    std::map<std::string, AccessList> lists;
    bool listsTakeEffect = true;
    std::map<std::string, std::string> files;

private:
    Journal& journal_;
};

class FakeProgramStart final : public ProgramStart {
public:
    explicit FakeProgramStart(Journal& journal) : journal_(journal) {}

    Failure Start(const CommandLine& command, int windowStyle, double& taskId) override {
        journal_.push_back("start " + command.program + " | " + command.parameters + " | style " +
                           std::to_string(windowStyle));
        if (failure) return failure;
        taskId = nextTaskId;
        return {};
    }

    Failure failure;
    double nextTaskId = 4242;

private:
    Journal& journal_;
};
