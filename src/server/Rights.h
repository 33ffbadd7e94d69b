#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// The twelve rights a user is granted at sign-in, kept as one bit each.
enum class Right : uint32_t {
    CreateTopLevelAlbum = 1u << 0,
    CreateSubAlbum = 1u << 1,
    RenameTopLevelAlbum = 1u << 2,
    RenameSubAlbum = 1u << 3,
    DeleteTopLevelAlbum = 1u << 4,
    DeleteSubAlbum = 1u << 5,
    DeleteAsset = 1u << 6,
    RenameAsset = 1u << 7,
    Upload = 1u << 8,
    SeeQuota = 1u << 9,
    CanUseMyPicturesButton = 1u << 10,
    HavePendingFilesButton = 1u << 11,
};

class Rights
{
public:
    struct Entry
    {
        Right right;
        const char *name; // as written on the command line and, after "m_b", in the login result
    };
    static const std::array<Entry, 12> &all();

    static Rights everything();

    Rights() = default;
    explicit Rights(uint32_t bits) : m_bits(bits) {}

    bool has(Right right) const { return m_bits & uint32_t(right); }
    void set(Right right, bool on);
    uint32_t bits() const { return m_bits; }

    // "all", "none", or a comma-separated list of names, each optionally prefixed by "-" to take
    // it away again ("all,-DeleteAsset"); names are matched without regard to case.
    static std::optional<Rights> parse(const std::string &text);
    // Comma-separated names of the rights that are set, or "none".
    std::string toString() const;

private:
    uint32_t m_bits = 0;
};
