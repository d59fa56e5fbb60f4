# Loaded by Orca from its user folder (scripts/lib/orca-session puts it there): records what Orca says, as the
# speech server hears it, into the file named by KZ_SPEECH_LOG, one event a line, "<ms>\t<kind>\t<id>\t<text>":
#   speak   an utterance handed to the speech server (id counts utterances from 1)
#   begin   the server started to speak it
#   end     it was spoken to its end
#   cancel  it was cut off, or dropped from the queue, before its end
#   stop    Orca interrupted its presentation (a window deactivated, a key pressed)
# <ms> is the monotonic clock in milliseconds. Nothing of Orca's behaviour changes; the speech server's own begin,
# end and cancel reports are asked for where Orca does not ask for them itself.
import os
import threading
import time

import speechd

from orca import speech, speechdispatcherfactory

_log_path = os.environ.get("KZ_SPEECH_LOG")
_lock = threading.Lock()
_count = [0]


def _write(kind, ident, text=""):
    if not _log_path:
        return
    line = "%d\t%s\t%s\t%s\n" % (int(time.monotonic() * 1000), kind, ident, " ".join(text.split()))
    with _lock, open(_log_path, "a", encoding="utf-8") as log:
        log.write(line)


_KINDS = {
    speechd.CallbackType.BEGIN: "begin",
    speechd.CallbackType.END: "end",
    speechd.CallbackType.CANCEL: "cancel",
}

_original_speak = speechdispatcherfactory.SpeechServer._speak


def _recorded_speak(self, text, acss, **kwargs):
    if not isinstance(text, str) or not text.strip():
        return _original_speak(self, text, acss, **kwargs)
    with _lock:
        _count[0] += 1
        ident = _count[0]
    _write("speak", ident, text.replace("\ue000", ""))
    theirs = kwargs.pop("callback", None)
    wanted = set(kwargs.pop("event_types", None) or [])

    def report(callback_type, *args, **more):
        if callback_type in _KINDS:
            _write(_KINDS[callback_type], ident)
        if theirs is not None and callback_type in wanted:
            theirs(callback_type, *args, **more)

    types = list(wanted | set(_KINDS))
    return _original_speak(self, text, acss, callback=report, event_types=types, **kwargs)


speechdispatcherfactory.SpeechServer._speak = _recorded_speak

_original_stop = speech.stop


def _recorded_stop(*args, **kwargs):
    _write("stop", 0)
    return _original_stop(*args, **kwargs)


speech.stop = _recorded_stop
