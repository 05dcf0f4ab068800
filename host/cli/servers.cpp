// lwhost servers: load a module and print its server records.
#include <cstdio>
#include <iostream>

#include "cli.h"
#include "lwhost/session/session.h"

namespace lwhost::cli {

int runServers(Args& args, const GlobalOptions& options) {
    std::string modulePath = defaultModulePath();
    while (!args.empty()) {
        std::string a = args.next();
        if (a == "--module") {
            if (!args.value(a, modulePath)) return usageError("servers", "--module needs a PATH");
        } else {
            return usageError("servers", "unexpected argument '" + a + "'");
        }
    }

    Session session(options.identity);
    Host& host = session.host();
    if (!configureHost(host, options)) return kExitUsage;
    host.messages().setEcho([](const Message& m) { std::cerr << messageLine(m) << "\n"; });
    LoadResult result;
    Module* module = host.loadModule(modulePath, result);
    if (!module) {
        std::cerr << "lwhost: " << result.message << "\n";
        return kExitUsage;
    }

    const auto& records = module->records();
    if (!options.quiet)
        std::cout << module->path() << ": " << records.size() << " server records\n";
    int position = 0;
    for (const st_ServerRecord* r : records) {
        char head[160];
        std::snprintf(head, sizeof head, "%3d  %-16s %-22s ", ++position, r->className, r->name);
        std::cout << head << formatTags(r->tagInfo) << "\n";
    }
    return kExitOk;
}

}  // namespace lwhost::cli
