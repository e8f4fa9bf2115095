// The program must run as administrator: its batch file writes at a disk's root and runs the
// product's setup. Windows Vista and later elevate it through the manifest; Windows XP ignores
// that request, and a limited account would fail half-way without learning why.
#pragma once

// Whether the process token is a member of the Administrators group (a filtered token of an
// unelevated administrator is not).
bool TokenIsAdministrator();

// Says that administrator rights are needed when isAdministrator answers no, and answers whether
// the program may go on.
bool CheckAdministratorRights(bool (*isAdministrator)() = TokenIsAdministrator);
