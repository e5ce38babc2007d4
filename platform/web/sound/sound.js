// Web Audio beneath the sound layer (WebSound.cpp), linked with --js-library. Sounds are decoded
// by the browser; a channel plays its sound on an AudioBufferSourceNode and its position is what
// the audio context's output clock says is heard (getOutputTimestamp, else the context time less
// its latency), never running backwards while it plays. A channel whose sound cannot start (no
// Web Audio, a context the browser keeps suspended, sound switched off) runs a silent clock paced
// by performance.now() instead, from the moment it gave up waiting, and stops at the music's end.
//
// For the page, on Module: oxbrineSoundPrepare() decodes the music in Data/ while the page waits
// for Play, so the show's clock need not wait for it; oxbrineSoundUnlock() creates or resumes
// the context inside the Play click (browsers start sound only there); oxbrineMusicSeconds() is
// the latest channel's position.
var OxbrineSoundLibrary = {
    $OxbrineSound__deps: ["$FS"],
    $OxbrineSound__postset: "OxbrineSound.install();",
    $OxbrineSound: {
        context: null,
        prepared: {}, // path -> { length, decoding: promise of an AudioBuffer }
        sounds: [],
        channels: [],
        latest: -1,
        // How long a started channel waits for decoding and a running context before it plays
        // silently on the paced clock.
        waitSeconds: 1.5,

        install: function () {
            Module["oxbrineSoundPrepare"] = function () {
                OxbrineSound.prepare();
            };
            Module["oxbrineSoundUnlock"] = function () {
                OxbrineSound.audioContext(true);
            };
            Module["oxbrineMusicSeconds"] = function () {
                var channel = OxbrineSound.channels[OxbrineSound.latest];
                return channel ? OxbrineSound.position(channel) / 1000 : 0;
            };
        },

        now: function () {
            return performance.now() / 1000;
        },

        // The context, made on first use and resumed when asked (only a click lets it run);
        // null where the browser has none.
        audioContext: function (resume) {
            var self = OxbrineSound;
            if (!self.context) {
                var Context = window.AudioContext || window.webkitAudioContext;
                if (!Context)
                    return null;
                try {
                    self.context = new Context({ latencyHint: "playback" });
                } catch (error) {
                    console.warn("oxbrine: no Web Audio: " + error);
                    return null;
                }
            }
            if (resume && self.context.state === "suspended")
                self.context.resume().catch(function () {});
            return self.context;
        },

        // A promise of the decoded music; decoded by the context, so at the rate it plays at.
        decode: function (bytes) {
            var decoder = OxbrineSound.audioContext(false);
            if (!decoder && window.OfflineAudioContext) {
                try {
                    decoder = new window.OfflineAudioContext(2, 1, 48000);
                } catch (error) {
                    decoder = null;
                }
            }
            if (!decoder)
                return null;
            return decoder.decodeAudioData(bytes);
        },

        prepare: function () {
            var names = [];
            try {
                names = FS.readdir("/Data");
            } catch (error) {
                return;
            }
            names.forEach(function (name) {
                if (!/\.mp3$/i.test(name))
                    return;
                var bytes = FS.readFile("/Data/" + name);
                var decoding = OxbrineSound.decode(bytes.slice().buffer);
                if (!decoding)
                    return;
                decoding.catch(function () {}); // reported when the show opens it
                OxbrineSound.prepared["Data/" + name] = { length: bytes.length, decoding: decoding };
            });
        },

        // Context time being heard now: the output timestamp carried on by the page's clock.
        heardContextTime: function (context) {
            var heard = context.currentTime - (context.outputLatency || context.baseLatency || 0);
            if (context.getOutputTimestamp) {
                var stamp = context.getOutputTimestamp();
                if (stamp.performanceTime > 0)
                    heard = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
            }
            return Math.min(heard, context.currentTime);
        },

        fail: function (message) {
            console.error("oxbrine: " + message);
            if (window.oxbrinePage && window.oxbrinePage.fatalError)
                window.oxbrinePage.fatalError(message, "");
        },

        durationMs: function (sound) {
            return sound.buffer ? sound.buffer.duration * 1000 : Infinity;
        },

        // Moves a waiting channel to audible or paced playback once that can be decided.
        settle: function (channel) {
            var self = OxbrineSound;
            if (channel.mode !== "waiting" || channel.paused)
                return;
            var sound = channel.sound;
            var context = channel.silent ? null : self.context;
            var waited = self.now() - channel.waitingSince;
            if (sound.failed) {
                self.startPaced(channel);
            } else if (sound.buffer && context && context.state === "running") {
                self.startAudible(channel, context);
            } else if ((sound.buffer || !sound.decoding) &&
                       (!context || waited > self.waitSeconds)) {
                if (!channel.silent)
                    console.warn("oxbrine: sound cannot start: playing silently");
                self.startPaced(channel);
            }
        },

        startAudible: function (channel, context) {
            var source = context.createBufferSource();
            source.buffer = channel.sound.buffer;
            source.playbackRate.value = channel.speed;
            source.connect(context.destination);
            var offset = Math.min(channel.offset / 1000, source.buffer.duration);
            channel.startedAt = context.currentTime;
            source.start(channel.startedAt, offset);
            channel.source = source;
            channel.mode = "audible";
        },

        startPaced: function (channel) {
            channel.startedAt = OxbrineSound.now();
            channel.mode = "paced";
        },

        // Milliseconds heard; held at the offset until playback is heard to begin.
        position: function (channel) {
            var self = OxbrineSound;
            self.settle(channel);
            var heard = channel.offset;
            if (!channel.paused && !channel.stopped) {
                if (channel.mode === "audible") {
                    var context = channel.source.context;
                    heard += Math.max(0, self.heardContextTime(context) - channel.startedAt) *
                             1000 * channel.speed;
                } else if (channel.mode === "paced") {
                    heard += (self.now() - channel.startedAt) * 1000 * channel.speed;
                }
                heard = Math.max(Math.min(heard, self.durationMs(channel.sound)), channel.last);
            } else {
                heard = channel.last;
            }
            channel.last = heard;
            return heard;
        },

        // Stops what sounds and makes `milliseconds` the place playback (re)starts from.
        restartAt: function (channel, milliseconds) {
            if (channel.source) {
                try {
                    channel.source.stop();
                } catch (error) {
                }
                channel.source.disconnect();
                channel.source = null;
            }
            channel.offset = milliseconds;
            channel.last = milliseconds;
            if (channel.mode === "audible")
                channel.mode = "waiting"; // starts again on the running context at once
            else if (channel.mode === "paced")
                channel.startedAt = OxbrineSound.now();
        },
    },

    oxbrine_sound_decode__deps: ["$OxbrineSound"],
    oxbrine_sound_decode: function (pathPointer, bytes, length) {
        var self = OxbrineSound;
        var path = UTF8ToString(pathPointer);
        var sound = { path: path, buffer: null, failed: false, decoding: true };
        var id = self.sounds.push(sound) - 1;
        var ready = self.prepared[path.replace(/^\/+/, "")];
        var decoding = ready && ready.length === length
                           ? ready.decoding
                           : self.decode(HEAPU8.slice(bytes, bytes + length).buffer);
        if (!decoding) {
            sound.decoding = false; // no decoder: silent, with no known end
            return id;
        }
        decoding.then(function (buffer) {
            sound.buffer = buffer;
            sound.decoding = false;
        }, function (error) {
            sound.failed = true;
            sound.decoding = false;
            self.fail("cannot decode '" + path + "': the browser does not take it as music (" +
                      (error && error.message || error) + ")");
        });
        return id;
    },

    oxbrine_sound_release__deps: ["$OxbrineSound"],
    oxbrine_sound_release: function (id) {
        if (OxbrineSound.sounds[id])
            OxbrineSound.sounds[id] = null;
    },

    oxbrine_sound_play__deps: ["$OxbrineSound"],
    oxbrine_sound_play: function (soundId, paused, silent) {
        var self = OxbrineSound;
        var sound = self.sounds[soundId] ||
                    { path: "", buffer: null, failed: false, decoding: false };
        var channel = { sound: sound, mode: "waiting", waitingSince: self.now(), offset: 0,
                        last: 0, startedAt: 0, source: null, paused: !!paused, stopped: false,
                        silent: !!silent, speed: 1 };
        if (!silent)
            self.audioContext(true);
        self.latest = self.channels.push(channel) - 1;
        self.settle(channel);
        return self.latest;
    },

    oxbrine_sound_position__deps: ["$OxbrineSound"],
    oxbrine_sound_position: function (id) {
        var channel = OxbrineSound.channels[id];
        return channel ? OxbrineSound.position(channel) : 0;
    },

    oxbrine_sound_is_playing__deps: ["$OxbrineSound"],
    oxbrine_sound_is_playing: function (id) {
        var channel = OxbrineSound.channels[id];
        if (!channel || channel.stopped)
            return 0;
        return OxbrineSound.position(channel) < OxbrineSound.durationMs(channel.sound) ? 1 : 0;
    },

    oxbrine_sound_seek__deps: ["$OxbrineSound"],
    oxbrine_sound_seek: function (id, milliseconds) {
        var channel = OxbrineSound.channels[id];
        if (!channel || channel.stopped)
            return;
        OxbrineSound.restartAt(channel,
                               Math.min(milliseconds, OxbrineSound.durationMs(channel.sound)));
        OxbrineSound.settle(channel);
    },

    oxbrine_sound_pause__deps: ["$OxbrineSound"],
    oxbrine_sound_pause: function (id, paused) {
        var self = OxbrineSound;
        var channel = self.channels[id];
        if (!channel || channel.stopped || channel.paused === !!paused)
            return;
        if (paused) {
            // Resume exactly where the listener stopped hearing.
            var heard = self.position(channel);
            self.restartAt(channel, heard);
            channel.paused = true;
        } else {
            channel.paused = false;
            if (channel.mode === "paced")
                channel.startedAt = self.now();
            else
                channel.waitingSince = self.now();
            self.settle(channel);
        }
    },

    // Stream time per real time from now on, from exactly what is heard now (the source node
    // resamples; the position follows at that rate).
    oxbrine_sound_speed__deps: ["$OxbrineSound"],
    oxbrine_sound_speed: function (id, speed) {
        var self = OxbrineSound;
        var channel = self.channels[id];
        if (!channel || channel.stopped || !(speed > 0))
            return;
        if (!channel.paused)
            self.restartAt(channel, self.position(channel));
        channel.speed = speed;
        self.settle(channel);
    },

    oxbrine_sound_stop__deps: ["$OxbrineSound"],
    oxbrine_sound_stop: function (id) {
        var self = OxbrineSound;
        var channel = self.channels[id];
        if (!channel || channel.stopped)
            return;
        self.restartAt(channel, self.position(channel));
        channel.stopped = true;
    },
};

mergeInto(LibraryManager.library, OxbrineSoundLibrary);
