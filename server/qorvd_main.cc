// qorvd: the reference server, and `qorvd admin ...` for its data directory.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/termination_signals.h"
#include "server/admin_commands.h"
#include "server/server.h"
#include "server/server_config.h"

#ifndef QORV_VERSION
#define QORV_VERSION "unknown"
#endif

int main(int argc, char** argv) try {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty() && arguments.front() == "admin") {
    return qorv::server::RunAdminCommand({arguments.begin() + 1, arguments.end()}, std::cout,
                                         std::cerr);
  }
  qorv::server::ServeRequest request;
  std::string error;
  if (!qorv::server::ParseServeArguments(arguments, &request, &error)) {
    std::cerr << "qorvd: " << error << "\n"
              << "Try qorvd --help\n";
    return 2;
  }
  if (request.help) {
    std::cout << qorv::server::ServeUsage();
    return 0;
  }
  if (request.version) {
    std::cout << "qorvd " << QORV_VERSION << "\n";
    return 0;
  }
  // Before any thread starts, so that every thread inherits the block and
  // only the wait below takes the signal.
  qorv::platform::BlockTerminationSignals();
  request.config.log = [](const std::string& text) {
    std::cerr << ("qorvd: " + text + "\n") << std::flush;
  };
  qorv::server::Server server(request.config);
  if (!server.Start(&error)) {
    std::cerr << "qorvd: " << error << "\n";
    return 1;
  }
  // Scripts read the port from this line.
  std::cout << "listening on " << qorv::server::EndpointText(server.address(), server.port())
            << std::endl;
  qorv::platform::WaitForTerminationSignal();
  server.Stop();
  std::cout << "stopped" << std::endl;
  return 0;
} catch (const std::exception& error) {
  // Exit code 1, as for a server that cannot start (docs/qorvd.md).
  std::cerr << "qorvd: internal error: " << error.what() << "\n";
  return 1;
}
