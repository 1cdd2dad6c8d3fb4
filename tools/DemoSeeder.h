#pragma once

#include <string>
#include <utility>
#include <vector>

// Fills an empty groupware with a demo office: users and groups, a board with
// replies, and schedules and address books for two users.
class CDemoSeeder {
public:
    // Throws CAdminError when the database already holds users or a write fails.
    void Seed();
    // User name and password of every demo user, in UTF-8.
    const std::vector<std::pair<std::string, std::string>>& Logins() const { return m_logins; }

private:
    void SeedUsers();
    void SeedBoard();
    void SeedSchedules();
    void SeedAddresses();

    std::vector<std::pair<std::string, std::string>> m_logins;
};
