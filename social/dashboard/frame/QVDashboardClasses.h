// The dashboard's classes are made by name only, so nothing would make the
// linker keep their source files: a program that shows the dashboard calls
// QVLinkDashboardClasses once (it costs nothing) so that every dashboard
// screen, cell and layout is registered.
#pragma once

namespace quorvel {

void QVLinkDashboardClasses();

} // namespace quorvel
