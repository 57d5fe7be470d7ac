#pragma once

#include "ntsaead.h"
#include "ntsfields.h"

#include <deque>
#include <optional>

// The cookies of one NTS server: each is used once, the oldest first, and the supply is kept up to
// kMost by asking the server for as many new ones as the jar is short.
class NtsCookieJar
{
public:
    static constexpr std::size_t kMost = 8;

    // Whether a request can carry the cookie with as many placeholders as the jar may ask for.
    static bool fits(const ntsaead::Bytes &cookie)
    {
        return !cookie.empty() && ntsfields::requestSize(cookie.size(), kMost - 1) <= ntsfields::kLargestRequest;
    }

    // Keeps the cookies that fit, up to kMost.
    void fill(const std::vector<ntsaead::Bytes> &cookies)
    {
        for (const ntsaead::Bytes &cookie : cookies)
            if (m_cookies.size() < kMost && fits(cookie))
                m_cookies.push_back(cookie);
    }

    std::optional<ntsaead::Bytes> take()
    {
        if (m_cookies.empty())
            return std::nullopt;
        ntsaead::Bytes cookie = std::move(m_cookies.front());
        m_cookies.pop_front();
        return cookie;
    }

    // Placeholders for the request about to go, besides the cookie it carries.
    std::size_t shortfall() const { return kMost - 1 - std::min(m_cookies.size(), kMost - 1); }

    bool empty() const { return m_cookies.empty(); }
    void clear() { m_cookies.clear(); }

private:
    std::deque<ntsaead::Bytes> m_cookies;
};
