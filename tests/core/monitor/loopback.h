#pragma once

// Loopback endpoints with a known answer, for testing real connects:
// a port that accepts, a port that refuses and a port that never answers.
// POSIX sockets natively, Winsock in the Windows build.

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace korvan::testing {

#ifdef _WIN32
using Socket = SOCKET;
inline constexpr Socket kNoSocket = INVALID_SOCKET;
inline void closeSocket(Socket s) { closesocket(s); }
inline void setNonBlocking(Socket s) {
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}
inline void startSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}
#else
using Socket = int;
inline constexpr Socket kNoSocket = -1;
inline void closeSocket(Socket s) { close(s); }
inline void setNonBlocking(Socket s) {
    int flags = fcntl(s, F_GETFL, 0);
    fcntl(s, F_SETFL, flags | O_NONBLOCK);
}
inline void startSockets() {}
#endif

inline sockaddr_in loopbackAddress(const std::string& ip, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
    return a;
}

// A socket bound to ip on a free port; `backlog` >= 0 also makes it listen.
class Endpoint {
public:
    Endpoint(const std::string& ip, int backlog) : address(ip) {
        startSockets();
        s = socket(AF_INET, SOCK_STREAM, 0);
        if (s == kNoSocket) throw std::runtime_error("socket");
        auto a = loopbackAddress(ip, 0);
        if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            throw std::runtime_error("bind " + ip);
        socklen_t size = sizeof a;
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
        port = ntohs(a.sin_port);
        if (backlog >= 0 && listen(s, backlog) != 0) throw std::runtime_error("listen");
    }
    ~Endpoint() {
        for (Socket c : clients) closeSocket(c);
        closeSocket(s);
    }
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    std::string target() const { return address + ":" + std::to_string(port); }

    // Connects without ever accepting until the accept queue is full, so
    // that the kernel drops every further SYN: a port that never answers.
    // The first filler completes; one that stays pending shows the queue
    // is full.
    void fillQueue() {
        for (int i = 0; i < 2; ++i) {
            Socket c = socket(AF_INET, SOCK_STREAM, 0);
            setNonBlocking(c);
            auto a = loopbackAddress(address, port);
            connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
            clients.push_back(c);
            if (i == 0) waitWritable(c);
        }
    }

    // Accepts and closes what has queued up (connections made by probes).
    void drain() {
        setNonBlocking(s);
        for (;;) {
            Socket c = accept(s, nullptr, nullptr);
            if (c == kNoSocket) break;
            closeSocket(c);
        }
    }

    // Accepts the next queued connection and reports whether its other end
    // has already closed it without sending anything (end of stream comes
    // at once).
    bool nextConnectionClosedByPeer() {
        if (!waitReadable(s)) return false;
        Socket c = accept(s, nullptr, nullptr);
        if (c == kNoSocket) return false;
        bool closed = false;
        if (waitReadable(c)) {
            char byte;
            closed = recv(c, &byte, 1, 0) == 0;
        }
        closeSocket(c);
        return closed;
    }

    std::string address;
    std::uint16_t port = 0;

private:
    static bool waitReadable(Socket c) {
        fd_set r;
        FD_ZERO(&r);
        FD_SET(c, &r);
        timeval t{2, 0};
        return select(static_cast<int>(c + 1), &r, nullptr, nullptr, &t) == 1;
    }
    static void waitWritable(Socket c) {
        fd_set w;
        FD_ZERO(&w);
        FD_SET(c, &w);
        timeval t{2, 0};
        select(static_cast<int>(c + 1), nullptr, &w, nullptr, &t);
    }

    Socket s = kNoSocket;
    std::vector<Socket> clients;
};

// A port on ip that refuses: bound, so nobody else takes it, but not
// listening.
inline Endpoint refusingEndpoint(const std::string& ip) { return Endpoint(ip, -1); }

}  // namespace korvan::testing
