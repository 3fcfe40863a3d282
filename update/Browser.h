// Opens a web address in the user's web browser.
#pragma once

// Starts on url the browser that Windows uses for http addresses (the user's default app, else
// the registered command; BrowserCommand.h) and does not wait for it. Every failure is silent.
void OpenUrlInBrowser(const wchar_t* url);
