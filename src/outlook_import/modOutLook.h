#pragma once

// Placeholder until the address book import is built.
namespace modOutLook {
void GetOutlookContacts();
}
