// The serve module, bounds-serve.so: the explorer's server behind one C
// entry point, so that bounds loads cpp-httplib, its TLS libraries and
// Cairo only when it serves.
#include <iostream>
#include <stdexcept>

#include "gaussbound/Render.h"
#include "gaussbound/Server.h"

extern "C" int gaussboundServe(const gaussbound::ServeSettings* settings)
{
    try {
        return gaussbound::serveUntilSignalled(*settings, gaussbound::render, std::cout, std::cerr);
    } catch (const std::exception& e) {  // an exception must not cross the C boundary
        std::cerr << "bounds serve: " << e.what() << '\n';
        return 1;
    }
}
