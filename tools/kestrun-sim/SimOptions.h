#pragma once

#include <QByteArray>
#include <optional>

namespace kestrunsim {

// Everything the command line can set, with the defaults the simulator starts with.
struct SimOptions {
    quint16 port = 56667;
    int serverVersion = 3;
    int torrents = 25;
    std::optional<QByteArray> uniqueId; // when set, requests with another ID are refused
    int chunkSize = 0;                  // 0 sends each reply in one write
    int chunkGapMs = 5;
    int delayMs = 0;
    int speed = 1; // simulated seconds per real second: downloads finish that much sooner
    bool crlf = false;
    bool refuse = false;
    int quietGapMs = 40;           // a command has no terminator, so silence ends it
    int stalledGapMs = 1000;       // silence that ends a request whose ID line never ended
    int requestTimeoutMs = 10'000; // a client that never finishes its ID line is dropped
    bool logRequests = true;
};

} // namespace kestrunsim
