// The render command of a build without the renderer.
#include <iostream>

#include "../cli.h"

namespace lwhost::cli {

int runRender(Args&, const GlobalOptions&) {
    std::cerr << "lwhost render: this build has no renderer\n";
    return kExitFailure;
}

}  // namespace lwhost::cli
