#pragma once
// A group of menu commands that lives beside the frame (export, printing,
// instruments). Each module registers its handlers with the frame when it is
// made; the frame then puts exactly the registered entries in its menus.
#include <memory>
#include <vector>

namespace kivelo::app {

class CCommandHost;

class CCommandModule {
public:
    virtual ~CCommandModule() = default;
    // The document changed (opened, closed): refresh what depends on it.
    virtual void DocumentChanged() {}
    // The settings record was loaded: take what this module keeps there.
    virtual void SettingsLoaded() {}
    // The program is about to write the settings record: put this module's fields in.
    virtual void StoreSettings() {}
};

// Every module of the program, made for this frame (one line per module in
// src/app/CommandModules.cpp).
std::vector<std::unique_ptr<CCommandModule>> MakeCommandModules(CCommandHost& host);

}  // namespace kivelo::app
