#include "platform/sound/midi_jack_probe.h"

#include "platform/sound/jack_client.h"

bool jackServerAnswers()
{
    jack_client_t* client = openJackClient(kJackClientName);
    if (!client)
        return false;
    jack_client_close(client);
    return true;
}
