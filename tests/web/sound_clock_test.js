// The web sound layer's clock (platform/web/sound/sound.js) on a controlled page: the library runs
// in a fresh context per case with a fake audio context and page clock that the case moves, and
// each step's heard position is compared with the one the music's listener would hear.
//
// Usage: node sound_clock_test.js SOURCE_DIR
"use strict";

const fs = require("fs");
const path = require("path");
const vm = require("vm");

const libraryFile = path.join(process.argv[2] || path.join(__dirname, "..", ".."),
                              "platform", "web", "sound", "sound.js");
const librarySource = fs.readFileSync(libraryFile, "utf8");
const MUSIC_SECONDS = 10;

class FakeSource {
    constructor(context) {
        this.context = context;
        this.playbackRate = { value: 1 };
        this.started = null;
        this.stopped = false;
    }
    connect() {}
    disconnect() {}
    start(when, offset) { this.started = { when, offset }; }
    stop() { this.stopped = true; }
}

// An audio context whose clocks the case sets: currentTime (rendered) and the output latency
// (currentTime less what is heard).
function makeContextClass(page) {
    return class FakeAudioContext {
        constructor() {
            this.state = "suspended";
            this.currentTime = 0;
            this.outputLatency = 0.05;
            this.destination = {};
            this.sources = [];
            page.contexts.push(this);
        }
        resume() {
            if (page.soundAllowed)
                this.state = "running";
            return Promise.resolve();
        }
        createBufferSource() {
            const source = new FakeSource(this);
            this.sources.push(source);
            return source;
        }
        // Where the page says the output stands: the context time heard 20 ms ago.
        getOutputTimestamp() {
            if (!page.outputStamps)
                return { contextTime: 0, performanceTime: 0 };
            return { contextTime: this.currentTime - this.outputLatency,
                     performanceTime: page.seconds * 1000 - 20 };
        }
        decodeAudioData() {
            return page.decodable ? Promise.resolve({ duration: MUSIC_SECONDS })
                                  : Promise.reject(new Error("EncodingError"));
        }
    };
}

// A fresh library on a fresh page. options: webAudio (an AudioContext exists), soundAllowed (it
// may run), decodable (the bytes decode), outputStamps (the context says when its output stood
// where; else only its latency is known).
function loadPage(options) {
    const page = { contexts: [], seconds: 0, warnings: [], fatal: [], soundAllowed: true,
                   decodable: true, webAudio: true, outputStamps: false, ...options };
    const Context = makeContextClass(page);
    const window = {
        AudioContext: page.webAudio ? Context : undefined,
        OfflineAudioContext: Context,
        oxbrinePage: { fatalError: (message) => page.fatal.push(message) },
    };
    const sandbox = {
        window,
        Module: {},
        FS: { readdir: () => [] },
        HEAPU8: new Uint8Array(64),
        UTF8ToString: () => "Data/music.mp3",
        performance: { now: () => page.seconds * 1000 },
        console: { warn: (text) => page.warnings.push(text), error: () => {}, log: () => {} },
        LibraryManager: { library: {} },
        mergeInto: (target, library) => Object.assign(target, library),
    };
    vm.createContext(sandbox);
    vm.runInContext(librarySource, sandbox);
    const library = sandbox.LibraryManager.library;
    sandbox.OxbrineSound = library.$OxbrineSound;
    vm.runInContext(library.$OxbrineSound__postset, sandbox);
    page.library = library;
    page.Module = sandbox.Module;
    page.context = () => page.contexts[0];
    return page;
}

const settle = () => new Promise((resolve) => setImmediate(resolve));

// Steps: ["at", pageSeconds, contextSeconds] moves the clocks; ["latency", s] sets the
// context's output latency; ["heard", ms] expects the
// position; ["playing", 0|1]; ["pause", 0|1]; ["seek", ms]; ["speed", s]; ["stop"];
// ["source", offsetSeconds, rate] expects the last source node started there at that rate.
const CASES = [
    {
        name: "audible: held until heard, then the output clock; never backwards; pause, seek, " +
              "speed, end and stop",
        page: {},
        steps: [
            ["at", 0, 0], ["heard", 0], ["source", 0, 1],
            ["at", 0.02, 0.02], ["heard", 0],           // rendered, not yet heard
            ["at", 1.05, 1.05], ["heard", 1000],
            ["at", 1.05, 1.04], ["heard", 1000],        // a clock stepping back holds
            ["at", 2.05, 2.05], ["pause", 1], ["heard", 2000],
            ["at", 3.05, 3.05], ["heard", 2000], ["playing", 1],
            ["pause", 0], ["source", 2, 1], ["heard", 2000],
            ["at", 3.55, 3.55], ["heard", 2450],
            ["seek", 5000], ["source", 5, 1], ["heard", 5000],
            ["at", 4.1, 4.1], ["heard", 5500],
            ["speed", 0.5], ["source", 5.5, 0.5],
            ["at", 5.15, 5.15], ["heard", 6000],
            ["at", 30, 30], ["heard", 10000], ["playing", 0],
            ["seek", 1000], ["at", 30.55, 30.55], ["heard", 1250], ["playing", 1],
            ["stop"], ["at", 31, 31], ["heard", 1250], ["playing", 0],
        ],
    },
    {
        name: "audible with output timestamps: carried on by the page's clock, never past what " +
              "was rendered",
        page: { outputStamps: true },
        steps: [
            ["at", 0, 0], ["heard", 0],
            ["at", 1.05, 1.05], ["heard", 1020],
            ["at", 1.25, 1.1], ["heard", 1070],
            ["latency", 0.005], ["at", 2, 2], ["heard", 2000],
        ],
    },
    {
        name: "a context the browser keeps suspended: the paced clock from when waiting ends",
        page: { soundAllowed: false },
        steps: [
            ["at", 0, 0], ["heard", 0],
            ["at", 1, 0], ["heard", 0],
            ["at", 2, 0], ["heard", 0], ["silently", 1],
            ["at", 3, 0], ["heard", 1000],
            ["speed", 0.25], ["at", 5, 0], ["heard", 1500],
            ["at", 60, 0], ["heard", 10000], ["playing", 0],
        ],
    },
    {
        name: "no Web Audio at all: decoded offline, paced at once, ends with the music",
        page: { webAudio: false },
        steps: [
            ["at", 0, 0], ["heard", 0], ["silently", 1],
            ["at", 4, 0], ["heard", 4000], ["pause", 1],
            ["at", 6, 0], ["heard", 4000], ["pause", 0],
            ["at", 7, 0], ["heard", 5000],
            ["at", 20, 0], ["heard", 10000], ["playing", 0],
        ],
    },
    {
        name: "music the browser cannot decode: said on the page, the show kept in time",
        page: { decodable: false },
        steps: [["at", 0, 0], ["fatal", "cannot decode 'Data/music.mp3'"], ["at", 2, 0],
                ["heard", 2000], ["playing", 1]],
    },
];

async function runCase(test, silent) {
    const page = loadPage(test.page);
    const lib = page.library;
    page.Module.oxbrineSoundUnlock();
    const sound = lib.oxbrine_sound_decode(0, 0, 8);
    await settle();
    const channel = lib.oxbrine_sound_play(sound, 0, silent ? 1 : 0);
    const failures = [];
    for (const [action, ...values] of test.steps) {
        const context = page.context();
        switch (action) {
        case "at":
            page.seconds = values[0];
            if (context)
                context.currentTime = values[1];
            break;
        case "latency":
            context.outputLatency = values[0];
            break;
        case "heard": {
            const heard = lib.oxbrine_sound_position(channel);
            if (Math.abs(heard - values[0]) > 1e-6)
                failures.push(`at ${page.seconds} s heard ${heard} ms, not ${values[0]}`);
            break;
        }
        case "playing": {
            const playing = lib.oxbrine_sound_is_playing(channel);
            if (playing !== values[0])
                failures.push(`at ${page.seconds} s playing is ${playing}, not ${values[0]}`);
            break;
        }
        case "source": {
            const source = context.sources[context.sources.length - 1];
            const live = context.sources.filter((each) => each.started && !each.stopped);
            if (!source || !source.started || Math.abs(source.started.offset - values[0]) > 1e-6 ||
                source.playbackRate.value !== values[1] || live.length !== 1)
                failures.push(`at ${page.seconds} s the sounding source is ${
                    JSON.stringify(source && source.started)} at rate ${
                    source && source.playbackRate.value} (${live.length} sounding), not from ${
                    values[0]} s at ${values[1]}`);
            break;
        }
        case "silently":
            if (page.warnings.some((text) => /playing silently/.test(text)) !== !!values[0])
                failures.push(`at ${page.seconds} s the warnings are ${page.warnings}`);
            break;
        case "fatal":
            if (!page.fatal.some((text) => text.includes(values[0])))
                failures.push(`the page was told ${JSON.stringify(page.fatal)}`);
            break;
        case "pause":
            lib.oxbrine_sound_pause(channel, values[0]);
            break;
        case "seek":
            lib.oxbrine_sound_seek(channel, values[0]);
            break;
        case "speed":
            lib.oxbrine_sound_speed(channel, values[0]);
            break;
        case "stop":
            lib.oxbrine_sound_stop(channel);
            break;
        default:
            throw new Error("unknown step " + action);
        }
    }
    return failures;
}

async function main() {
    let failed = 0;
    const cases = [...CASES, {
        name: "sound switched off: paced at once though the context could run",
        page: {}, silent: true,
        steps: [["at", 0, 0], ["heard", 0], ["at", 1.5, 1.5], ["heard", 1500]],
    }];
    for (const test of cases) {
        const failures = await runCase(test, test.silent);
        console.log((failures.length ? "FAIL " : "ok   ") + test.name);
        for (const failure of failures)
            console.log("     " + failure);
        failed += failures.length ? 1 : 0;
    }
    process.exit(failed ? 1 : 0);
}

main();
