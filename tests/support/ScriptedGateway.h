#pragma once
// The serial gateway as a script for the transfer procedures, the frames it answers with, and an
// observer that keeps everything a transfer dialog is told.
#include "link/TransferObserver.h"
#include "support/FakeSerialLink.h"

#include <array>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tqv {

// `values`, then the sum of every byte before it modulo 256.
inline std::string withSum(std::initializer_list<int> values)
{
    std::string frame = bytes(values);
    int sum = 0;
    for (char c : frame)
        sum += static_cast<unsigned char>(c);
    return frame + static_cast<char>(sum & 0xFF);
}

// code, data length, data, sum.
inline std::string frame(int code, const std::vector<int> &data)
{
    std::string out{static_cast<char>(code), static_cast<char>(data.size())};
    for (int d : data)
        out += static_cast<char>(d);
    int sum = 0;
    for (unsigned char c : out)
        sum += c;
    return out + static_cast<char>(sum & 0xFF);
}

inline std::string identity(int reported, int major, int minor)
{
    return frame(0x01, {reported, major, minor, 0, 0, 0, 0, 0});
}
inline std::string errorReply(int request, int error) { return withSum({request | 0x80, 2, error, 0}); }

// Replies queued with reply()/noReply() answer the requests in turn. A gateway that `acknowledges`
// instead answers every request with its three-byte acknowledgement and 0x01 with `reply01`,
// except for the n-th (0-based) request of a code listed in `special`.
class ScriptedGateway : public FakeSerialLink {
public:
    using FakeSerialLink::FakeSerialLink;
    bool write(std::string_view frame) override
    {
        const int code = static_cast<unsigned char>(frame[0]);
        const int nth = m_seen[code]++;
        if (acknowledges) {
            const auto own = special.find({code, nth});
            if (own != special.end())
                reply(own->second);
            else
                reply(code == 0x01 ? reply01 : bytes({code, 0, code}));
        }
        if (onWrite)
            onWrite(code);
        return FakeSerialLink::write(frame);
    }
    // The request code of every frame written.
    std::vector<int> codes() const
    {
        std::vector<int> out;
        for (const std::string &f : written)
            out.push_back(static_cast<unsigned char>(f[0]));
        return out;
    }

    bool acknowledges = true;
    std::string reply01 = identity(4, 5, 0);
    std::map<std::pair<int, int>, std::vector<ReplyPiece>> special;
    // Called with each request's code before it is written.
    std::function<void(int)> onWrite;

private:
    std::map<int, int> m_seen;
};

// Keeps what a transfer's dialog is told: every line change in order and each line's last state.
class RecordingObserver : public TransferObserver {
public:
    void setTitle(const std::string &t) override { title = t; }
    void setStatus(const std::string &t) override
    {
        status = t;
        statuses.push_back(t);
    }
    void setLine(int index, const std::string &t, LineState state) override
    {
        lines.push_back({index, t, state});
        latest.at(static_cast<std::size_t>(index)) = {t, state};
    }
    void setProgress(int done, int total) override { progress.push_back({done, total}); }

    struct Line {
        int index;
        std::string text;
        LineState state;
        bool operator==(const Line &) const = default;
    };
    std::string title, status;
    std::vector<std::string> statuses;
    std::vector<Line> lines;
    std::array<std::pair<std::string, LineState>, 4> latest{};
    std::vector<std::pair<int, int>> progress;
};

} // namespace tqv
