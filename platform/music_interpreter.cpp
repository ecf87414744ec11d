// Music command strings: one parser and alias table for both backends.
#include "platform/music_interpreter.h"

#include "platform/midi_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <utility>

namespace plat {
namespace {

bool sameWord(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The words for a failure the command itself gives no better reason for.
const char* describe(MusicResult result)
{
    switch (result) {
    case MusicResult::Ok: return "";
    case MusicResult::UnknownCommand: return "no such music command";
    case MusicResult::BadCommand: return "a malformed music command";
    case MusicResult::AliasInUse: return "the alias is open already";
    case MusicResult::UnknownAlias: return "no such alias is open";
    case MusicResult::FileNotFound: return "the file cannot be opened";
    case MusicResult::NotMidi: return "no Standard MIDI File";
    case MusicResult::NoDevice: return "no audio output";
    case MusicResult::Failed: return "the synthesiser refused it";
    }
    return "";
}

} // namespace

std::optional<std::vector<std::string>> splitMusicCommand(std::string_view command)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < command.size()) {
        if (std::isspace(static_cast<unsigned char>(command[i]))) {
            ++i;
            continue;
        }
        if (command[i] == '"') {
            const size_t end = command.find('"', i + 1);
            if (end == std::string_view::npos)
                return std::nullopt;
            words.emplace_back(command.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        size_t end = i;
        while (end < command.size() && !std::isspace(static_cast<unsigned char>(command[end])))
            ++end;
        words.emplace_back(command.substr(i, end - i));
        i = end;
    }
    return words;
}

MusicAlias* MusicInterpreter::findAlias(std::string_view name)
{
    auto it = std::find_if(aliases_.begin(), aliases_.end(),
                           [&](const MusicAlias& a) { return sameWord(a.name, name); });
    return it == aliases_.end() ? nullptr : &*it;
}

MusicResult MusicInterpreter::run(std::string_view command)
{
    lastError_.clear();
    const MusicResult result = interpret(command);
    if (result != MusicResult::Ok && lastError_.empty())
        lastError_ = describe(result);
    device_.record(command, result);
    return result;
}

MusicResult MusicInterpreter::interpret(std::string_view command)
{
    const auto split = splitMusicCommand(command);
    if (!split)
        return MusicResult::BadCommand;
    const std::vector<std::string>& words = *split;
    if (words.empty())
        return MusicResult::UnknownCommand;
    const std::string& verb = words[0];

    if (sameWord(verb, "open")) {
        if (words.size() != 6)
            return MusicResult::BadCommand;
        std::string type, alias;
        for (size_t i = 2; i + 1 < words.size(); i += 2) {
            std::string* slot = sameWord(words[i], "type")    ? &type
                                : sameWord(words[i], "alias") ? &alias
                                                              : nullptr;
            if (!slot || !slot->empty())
                return MusicResult::BadCommand;
            *slot = words[i + 1];
        }
        if (!sameWord(type, "sequencer") || alias.empty() || words[1].empty())
            return MusicResult::BadCommand;
        if (findAlias(alias))
            return MusicResult::AliasInUse;
        if (const MusicResult checked = checkMidiFile(words[1], lastError_); checked != MusicResult::Ok)
            return checked;
        // Room for the alias first: once the device has opened it, no allocation may fail and leave
        // the device holding a piece nobody can close.
        MusicAlias entry{alias, words[1]};
        aliases_.reserve(aliases_.size() + 1);
        if (const MusicResult opened = device_.open(alias, words[1]); opened != MusicResult::Ok)
            return opened;
        aliases_.push_back(std::move(entry));
        return MusicResult::Ok;
    }

    if (sameWord(verb, "play")) {
        if (words.size() < 2)
            return MusicResult::BadCommand;
        std::optional<uint32_t> from;
        bool notify = false, repeat = false;
        for (size_t i = 2; i < words.size(); ++i) {
            if (sameWord(words[i], "from") && !from && i + 1 < words.size()) {
                const std::string& number = words[++i];
                uint32_t value = 0;
                const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
                if (error != std::errc() || end != number.data() + number.size())
                    return MusicResult::BadCommand;
                from = value;
            } else if (sameWord(words[i], "notify") && !notify) {
                notify = true;
            } else if (sameWord(words[i], "repeat") && !repeat) {
                repeat = true;
            } else {
                return MusicResult::BadCommand;
            }
        }
        MusicAlias* alias = findAlias(words[1]);
        if (!alias)
            return MusicResult::UnknownAlias;
        if (const MusicResult played = device_.play(alias->name, from, repeat); played != MusicResult::Ok)
            return played;
        alias->playing = true;
        alias->repeat = repeat;
        alias->notify = notify;
        return MusicResult::Ok;
    }

    if (sameWord(verb, "close")) {
        if (words.size() != 2)
            return MusicResult::BadCommand;
        MusicAlias* alias = findAlias(words[1]);
        if (!alias)
            return MusicResult::UnknownAlias;
        device_.close(alias->name);
        aliases_.erase(aliases_.begin() + (alias - aliases_.data()));
        return MusicResult::Ok;
    }

    return MusicResult::UnknownCommand;
}

void MusicInterpreter::closeAll()
{
    for (const MusicAlias& alias : aliases_)
        device_.close(alias.name);
    aliases_.clear();
}

} // namespace plat
