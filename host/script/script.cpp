// The script language: reading lines into statements, the verb table, and running.
#include "lwhost/script/script.h"

#include "lwhost/io/quoted_text.h"
#include "lwhost/io/regular_file.h"

namespace lwhost {

namespace {

std::string located(const std::string& fileName, int line, const std::string& why) {
    return formatLocated({fileName, line, why});
}

std::string argumentCount(const Script::Verb& verb) {
    if (verb.minArgs == verb.maxArgs)
        return verb.minArgs == 1 ? "1 argument" : std::to_string(verb.minArgs) + " arguments";
    return std::to_string(verb.minArgs) + " to " + std::to_string(verb.maxArgs) + " arguments";
}

}  // namespace

void Script::define(const std::string& name, size_t minArgs, size_t maxArgs, std::string usage,
                    Handler handler) {
    m_verbs[name] =
        Verb{minArgs, maxArgs < minArgs ? minArgs : maxArgs, std::move(usage), std::move(handler)};
}

const Script::Verb* Script::find(const std::string& name) const {
    auto it = m_verbs.find(name);
    return it == m_verbs.end() ? nullptr : &it->second;
}

std::vector<std::string> Script::names() const {
    std::vector<std::string> out;
    for (const auto& v : m_verbs) out.push_back(v.first);
    return out;
}

bool Script::splitLine(const std::string& line, std::vector<ScriptArg>& out, std::string& why) {
    return splitQuotedLine(line, kScriptQuotes, out, why);
}

bool Script::parse(const std::string& text, const std::string& fileName,
                   std::vector<ScriptStatement>& out, std::string& error) const {
    out.clear();
    // Editors may begin a UTF-8 file with a byte-order mark.
    size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int lineNumber = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();

        std::vector<ScriptArg> words;
        std::string why;
        if (!splitLine(line, words, why)) {
            error = located(fileName, lineNumber, why);
            return false;
        }
        if (words.empty()) continue;
        if (words[0].quoted) {
            error = located(fileName, lineNumber, "a statement begins with a verb, not a text");
            return false;
        }

        // The two-word verb of that name wins over the one-word verb.
        ScriptStatement statement;
        statement.line = lineNumber;
        size_t taken = 1;
        const Verb* verb = nullptr;
        if (words.size() >= 2 && !words[1].quoted) {
            verb = find(words[0].text + " " + words[1].text);
            if (verb) {
                statement.verb = words[0].text + " " + words[1].text;
                taken = 2;
            }
        }
        if (!verb) {
            verb = find(words[0].text);
            statement.verb = words[0].text;
        }
        if (!verb) {
            // A known first word of two-word verbs names them in the message.
            std::string known;
            const std::string prefix = words[0].text + " ";
            for (const auto& v : m_verbs)
                if (v.first.compare(0, prefix.size(), prefix) == 0)
                    known += (known.empty() ? "" : ", ") + v.first.substr(prefix.size());
            if (!known.empty())
                why = words.size() < 2 || words[1].quoted
                          ? "'" + words[0].text + "' needs one of: " + known
                          : "unknown '" + words[0].text + "' verb '" + words[1].text +
                                "' (known: " + known + ")";
            else
                why = "unknown verb '" + words[0].text + "'";
            error = located(fileName, lineNumber, scriptOneLine(why));
            return false;
        }
        statement.args.assign(words.begin() + static_cast<std::ptrdiff_t>(taken), words.end());
        if (statement.args.size() < verb->minArgs || statement.args.size() > verb->maxArgs) {
            error = located(fileName, lineNumber,
                            "'" + statement.verb + "' takes " + argumentCount(*verb) + " (" +
                                statement.verb + (verb->usage.empty() ? "" : " " + verb->usage) +
                                "), found " + std::to_string(statement.args.size()));
            return false;
        }
        out.push_back(std::move(statement));
    }
    return true;
}

bool Script::run(const std::vector<ScriptStatement>& statements, const std::string& fileName,
                 std::string& error) const {
    for (const ScriptStatement& statement : statements) {
        const Verb* verb = find(statement.verb);
        std::string why;
        int line = statement.line;
        if (m_statementCheck && !m_statementCheck(statement, line, why)) {
            error = located(fileName, line, scriptOneLine(why));
            return false;
        }
        if (!verb) {
            why = "unknown verb '" + statement.verb + "'";
        } else {
            try {
                if (verb->handler(statement, why)) continue;
            } catch (const std::exception& e) {
                why = e.what();
            }
            if (why.empty()) why = "'" + statement.verb + "' failed";
        }
        error = located(fileName, statement.line, scriptOneLine(why));
        return false;
    }
    int line = statements.empty() ? 0 : statements.back().line;
    std::string why;
    if (m_endCheck && !m_endCheck(line, why)) {
        error = located(fileName, line, scriptOneLine(why));
        return false;
    }
    return true;
}

Script::Result Script::execute(const std::string& text, const std::string& fileName,
                               std::string& error) const {
    std::vector<ScriptStatement> statements;
    if (!parse(text, fileName, statements, error)) return Result::BadScript;
    return run(statements, fileName, error) ? Result::Ok : Result::Failed;
}

bool Script::readFile(const std::string& path, std::string& text, std::string& error) {
    std::string why;
    switch (readRegularFile(path, kMaxScriptBytes, text, why)) {
        case FileStatus::Ok:
            return true;
        case FileStatus::Missing:
            error = path + ": no such script file";
            break;
        case FileStatus::NotRegular:
            error = path + ": not a regular file";
            break;
        case FileStatus::TooLarge:
            error = path + ": the script is larger than " + std::to_string(kMaxScriptBytes >> 20) +
                    " MiB";
            break;
        case FileStatus::Unreadable:
            error = path + ": cannot read the script: " + why;
            break;
    }
    return false;
}

}  // namespace lwhost
