#pragma once
// The log-on prompt's question and answer, as the prompts carry them between
// whoever asks (the desktop's lookup) and the dialog. The password stays in
// the answer handed to the one who asked.
#include <QString>

namespace common {

// What the log-on prompt shows: the server, why it asks, and what it can fill in.
struct LogonRequest {
    QString server;
    QString message;
    QString user;
    QString domain;
    bool remember = false;         // the keyring box starts checked
    bool keyringAvailable = true;  // otherwise the box is greyed
};

struct LogonAnswer {
    QString user;
    QString password;
    QString domain;
    bool remember = false;     // keep it in the keyring
    bool allInDomain = false;  // use it for every server of `domain`
};

}  // namespace common
