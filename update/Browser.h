// Opens a web address in the user's web browser.
#pragma once

// Starts the browser that the registry names for http addresses on url and does not wait for
// it. Every failure is silent.
void OpenUrlInBrowser(const wchar_t* url);
