// The loader's WebSocket relay alone, for the page tests and the relay bench: starts it on the port
// given (0: the relay's default), prints "port <n>" once it listens (or "port 0" when it cannot) and
// stops it when its standard input ends.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "ws_relay.h"

int main(int argc, char** argv) {
  WsRelayLimits limits;
  if (argc > 2) limits.stall_ms = std::atoi(argv[2]);
  // Tests listen on loopback only.
  WsRelay relay([](int port) { return rt_net_server_create(port, "127.0.0.1"); }, limits);
  const int port = relay.WsServer_Start(argc > 1 ? std::atoi(argv[1]) : 0);
  std::printf("port %d\n", port);
  std::fflush(stdout);
  if (port == 0) return 1;
  std::string line;
  while (std::getline(std::cin, line)) {
  }
  relay.WsServer_Stop();
  return 0;
}
