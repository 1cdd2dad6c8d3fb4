#pragma once

#include <string>
#include <utility>
#include <vector>

// A command line's words, taken as a command reads them: options by name
// anywhere among them ("--owner alice", a flag "--public"), then the words
// in order. What a command leaves untaken is an error (ExpectNoMore). Every
// failure throws CAdminError with what was wrong.
class CArguments {
public:
    explicit CArguments(std::vector<std::string> words) : m_words(std::move(words)) {}

    bool Empty() const { return m_words.empty(); }
    // The next word without taking it; empty when none is left.
    std::string Peek() const { return m_words.empty() ? std::string() : m_words.front(); }
    // The next word; missing (the message) when there is none.
    std::string TakeFront(const std::string& missing);
    // Every value of "--name VALUE", in order, taken.
    std::vector<std::string> TakeOption(const std::string& name);
    // The value of an option given at most once; empty when it is not
    // given, unless it is required.
    std::string TakeSingleOption(const std::string& name, bool required = false);
    // Whether the flag was given (taken).
    bool TakeFlag(const std::string& name);
    // Throws when a word is left.
    void ExpectNoMore() const;

private:
    std::vector<std::string> m_words;
};
