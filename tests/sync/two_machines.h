// Two machines sharing a store through the Syncthing pair: each a folder of its own inside its
// instance's synced folder and a copy of the program running there, driven with real input.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"
#include "tests/sync/store_on_disk.h"
#include "tests/sync/syncthing_rest.h"

namespace e2e {

class Machine {
  public:
    // The folder `folder` inside the synced folder the environment variable names; the window
    // at `left` on the screen, so that the two machines' windows stand side by side.
    Machine(const char* syncedFolder, const std::wstring& folder, std::string name, int left);

    const ScratchDir& dir() const { return dir_; }
    Program& program() { return *program_; }
    bool running() const { return program_ != nullptr; }
    const std::string& name() const { return name_; }

    // This machine's settings (which the engine leaves alone), written before a start.
    void WriteSettings(int tabIndex) const;
    void Start();
    // Ends the program as a user does and waits until it has.
    bool Exit();
    StoreOnDisk Store() const { return ReadStore(dir_); }

    // Real input. Each answers notices first, and tells whether the command was carried out
    // (looking for up to a second or two).
    // Types at the end of the page on screen: true when the text area holds the text.
    bool TypeAtTheEnd(const std::wstring& text);
    bool New(const std::wstring& caption);     // Ctrl+N, the caption, Enter
    bool Rename(const std::wstring& caption);  // F2, the caption, Enter
    bool Close();                              // Ctrl+W, Enter in the warning
    bool Switch(int index);                    // a click on the tab
    // The caption of the tab on screen ("" when there is none).
    std::wstring CaptionOnScreen();
    // Answers every notice the program shows; how many there were.
    int DismissNotices();
    // The program's shown top-level windows, class and caption, for a message.
    std::string WindowsShown() const;
    // The class of the window with the keyboard focus in the program.
    std::string FocusClass() const;
    // Whether the program shows what the store holds: the same tabs, and the page of the tab on
    // screen in its text area. "" when it does; what differs otherwise.
    std::string Follows(const StoreOnDisk& store);

  private:
    // The key (with the modifier held, when not 0) opens the prompt, the answer is typed and
    // Enter pressed; false when no prompt came or it stayed.
    bool Prompted(WORD modifier, WORD key, const wchar_t* dialog, const std::wstring& answer);
    void Chord(WORD modifier, WORD key);

    std::string name_;
    int left_;
    ScratchDir dir_;
    std::unique_ptr<Program> program_;
};

// The two machines of a test, in a folder named after it on both sides.
class TwoMachines {
  public:
    explicit TwoMachines(const std::wstring& folder);

    Link link;
    Machine a;
    Machine b;

    // The store written on A and brought to B by the engine; then both programs started.
    void Share(const std::string& tabList, const std::map<int, std::string>& pages,
               int tabIndex = 0);
    // Resumes the link once each engine has looked at its folder, as one has after a while
    // apart: every change made meanwhile is in its index before the other's arrive.
    bool Resume();
    // Waits until both engines are idle, both stores are alike, and each running program shows
    // its store, all of it unchanged for two seconds; "" then, else why not (after `seconds`).
    std::string Settle(int seconds);
    void Restart();
};

}  // namespace e2e
