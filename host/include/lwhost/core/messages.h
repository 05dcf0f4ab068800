// "Info Messages 2": every message a plug-in shows is kept with its kind and texts. A message
// repeated while it is kept is counted, not stored again, so a render that fails on every
// sample keeps memory bounded. Safe to call from render threads.
#pragma once

#include <lwsdk/lwmessage.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace lwhost {

enum class MessageKind { Info, Error, Warning, OkCancel, YesNo, YesNoCancel, YesNoAll };

const char* messageKindName(MessageKind kind);

struct Message {
    MessageKind kind;
    std::string line1;
    std::string line2;
    unsigned count = 1;  // times shown
};

class MessageLog {
  public:
    using Echo = std::function<void(const Message&)>;
    using Answerer = std::function<int(MessageKind, const Message&)>;

    // Called once for each new message (not for repeats), outside the lock.
    void setEcho(Echo echo);
    // Answers the asking dialogs. Without one they take the cautious answer: cancel, or no.
    void setAnswerer(Answerer answerer);
    // Called for every message that asks nothing, repeats too, outside the lock.
    void setWatcher(Echo watcher);

    int show(MessageKind kind, const char* line1, const char* line2);

    std::vector<Message> all() const;
    size_t size() const;
    void clear();
    // Forgets every message after the first `count` (what one step showed, once handled).
    void truncate(size_t count);
    // Keeps `messages` instead (of what all() gave): a command that reports some messages its
    // own way takes them out, so that they are not printed twice.
    void replace(std::vector<Message> messages);

    // The record handed to plug-ins; its functions go to the current host's log.
    static const st_LWMessageFuncs* record();

  private:
    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
    Echo m_echo;
    Answerer m_answerer;
    Echo m_watcher;
};

}  // namespace lwhost
