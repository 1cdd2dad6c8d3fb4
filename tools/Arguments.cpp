#include "Arguments.h"

#include <algorithm>

#include "AdminError.h"

std::string CArguments::TakeFront(const std::string& missing) {
    if (m_words.empty())
        throw CAdminError(missing);
    std::string front = m_words.front();
    m_words.erase(m_words.begin());
    return front;
}

std::vector<std::string> CArguments::TakeOption(const std::string& name) {
    std::vector<std::string> values;
    for (size_t i = 0; i < m_words.size();) {
        if (m_words[i] != name) {
            ++i;
            continue;
        }
        if (i + 1 >= m_words.size())
            throw CAdminError(name + " needs a value");
        values.push_back(m_words[i + 1]);
        m_words.erase(m_words.begin() + static_cast<long>(i),
                      m_words.begin() + static_cast<long>(i) + 2);
    }
    return values;
}

std::string CArguments::TakeSingleOption(const std::string& name, bool required) {
    std::vector<std::string> values = TakeOption(name);
    if (values.size() > 1)
        throw CAdminError(name + " is given more than once");
    if (values.empty() && required)
        throw CAdminError(name + " is required");
    return values.empty() ? std::string() : values.front();
}

bool CArguments::TakeFlag(const std::string& name) {
    auto found = std::find(m_words.begin(), m_words.end(), name);
    if (found == m_words.end())
        return false;
    m_words.erase(found);
    return true;
}

void CArguments::ExpectNoMore() const {
    if (!m_words.empty())
        throw CAdminError("unexpected argument \"" + m_words.front() + "\"");
}
