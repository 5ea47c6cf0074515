#pragma once

// The platform's socket declarations (sockaddr_in, byte order, getaddrinfo,
// inet_ntop) for the client's own sources; the one place that tells the two
// platforms apart by their headers.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif
