// The page's side of the web build: configures the global Module before oxbrine.js loads, shows
// the download's progress, starts the show from the start page (oxbrine_play) or draws one frame
// for `?t=SECONDS&resolution=WxH&still` (oxbrine_still), and shows every failure on the page.
//
// The engine calls back through window.oxbrinePage:
//   showEnded()                the show ended (its end, or Escape): back to the start page
//   fatalError(message, detail) shown on the page and on the console; in still mode the title
//                              becomes "error: <message>"
// Full screen is the engine's: it puts the canvas's parent, the stage, into full screen (the
// choice passed to oxbrine_play, F, a double-click), where the page's letterboxing still holds.
(function () {
    "use strict";

    const query = new URLSearchParams(location.search);
    const stillMode = query.has("still");
    const byId = (id) => document.getElementById(id);
    const body = document.body;
    const stage = byId("stage");
    const canvas = byId("canvas");
    const playButton = byId("play");
    let failed = false;
    let playing = false;
    let runtimeReady = false;
    let playedResolution = null; // the engine keeps the size it first built its targets at

    function fatalError(message, detail) {
        message = String(message || "The show stopped");
        detail = detail ? String(detail) : "";
        console.error("oxbrine: " + message + (detail ? "\n" + detail : ""));
        if (failed)
            return; // the first failure is the one worth reading; later ones follow from it
        failed = true;
        playing = false;
        if (stillMode)
            document.title = "error: " + message;
        byId("error-message").textContent = message;
        byId("error-detail").textContent = detail;
        byId("error").hidden = false;
        body.classList.remove("playing");
        stage.style.display = "none";
        byId("start").style.display = "none";
        leaveFullscreen();
    }

    function leaveFullscreen() {
        if (document.fullscreenElement && document.exitFullscreen)
            document.exitFullscreen().catch(() => {});
    }

    function showEnded() {
        playing = false;
        leaveFullscreen();
        body.classList.remove("playing");
        for (const choice of document.querySelectorAll('input[name="resolution"]'))
            choice.disabled = choice.value !== playedResolution;
        byId("status").textContent = "Reload the page to play at another resolution.";
        playButton.disabled = failed;
        playButton.focus();
    }

    window.oxbrinePage = { showEnded, fatalError };

    if (stillMode)
        body.classList.add("still");

    if (location.protocol === "file:") {
        fatalError("Oxbrine needs a web server",
                   "Browsers do not let a page opened from a file load the show's data.\n" +
                   "In the folder holding index.html run\n\n    python3 -m http.server\n\n" +
                   "and open http://localhost:8000/ in the browser.");
        byId("error-hint").hidden = true;
        return;
    }

    // Checked on a canvas of its own, so the show's context gets the attributes it asks for.
    if (!document.createElement("canvas").getContext("webgl2")) {
        fatalError("This browser cannot show Oxbrine: it offers no WebGL2",
                   "The show draws with WebGL2. Use a current browser with hardware " +
                   "acceleration (or WebGL) switched on.");
        return;
    }

    window.addEventListener("error", (event) => {
        const where = event.filename ? " (" + event.filename + ":" + event.lineno + ")" : "";
        fatalError("The show stopped", String(event.message || event.error) + where);
    });
    window.addEventListener("unhandledrejection", (event) => {
        fatalError("The show stopped", String(event.reason));
    });

    const progress = byId("progress");
    const status = byId("status");

    // Emscripten reports "Downloading data... (done/total)" while the package loads.
    function setStatus(text) {
        if (failed || !text)
            return;
        const counts = /\((\d+(?:\.\d+)?)\/(\d+)\)/.exec(text);
        if (counts) {
            const done = Number(counts[1]);
            const total = Number(counts[2]);
            progress.value = total > 0 ? done / total : 0;
            status.textContent = "Loading the show: " + (done / 1e6).toFixed(1) + " of " +
                                 (total / 1e6).toFixed(1) + " MB";
        } else {
            status.textContent = text.replace(/\.\.\.$/, "\u2026");
        }
    }

    function onReady() {
        runtimeReady = true;
        if (failed)
            return;
        progress.value = 1;
        byId("loading").classList.add("done");
        if (stillMode) {
            drawStill();
            return;
        }
        status.textContent = "Ready";
        if (Module.oxbrineSoundPrepare)
            Module.oxbrineSoundPrepare();
        playButton.disabled = false;
        playButton.focus();
    }

    // "1280x720" -> [1280, 720]; the engine refuses sizes it cannot draw.
    function parseResolution(text) {
        const match = /^(\d{1,5})x(\d{1,5})$/.exec(text);
        return match ? [Number(match[1]), Number(match[2])] : null;
    }

    function drawStill() {
        const timeText = query.get("t");
        const seconds = timeText === null || timeText.trim() === "" ? NaN : Number(timeText);
        if (!Number.isFinite(seconds)) {
            fatalError("time '" + (timeText === null ? "" : timeText) +
                       "' is not a number of seconds (index.html?t=42.5&resolution=1280x720&still)");
            return;
        }
        const resolutionText = query.get("resolution") || "1280x720";
        const size = parseResolution(resolutionText);
        if (!size) {
            fatalError("resolution '" + resolutionText + "' is not WIDTHxHEIGHT, e.g. 1280x720");
            return;
        }
        let result;
        try {
            result = Module.ccall("oxbrine_still", "number", ["number", "number", "number"],
                                  [seconds, size[0], size[1]]);
        } catch (error) {
            fatalError("The frame could not be drawn", String(error && error.stack || error));
            return;
        }
        if (result !== 0) {
            fatalError("The frame could not be drawn", "oxbrine_still returned " + result);
            return;
        }
        // The title says "ready" once the drawn frame is the one on the page.
        requestAnimationFrame(() => requestAnimationFrame(() => {
            if (!failed)
                document.title = "ready";
        }));
    }

    function play(event) {
        event.preventDefault();
        if (failed || playing || playButton.disabled)
            return;
        const chosen = document.querySelector('input[name="resolution"]:checked');
        const resolutionIndex = chosen ? Number(chosen.value) : 1;
        const fullscreen = byId("fullscreen").checked;
        playing = true;
        playedResolution = String(resolutionIndex);
        playButton.disabled = true;
        status.textContent = "Starting the show\u2026";
        // Sound may start only within the click's handling: it is unlocked here. The show itself
        // starts two frames later, once the word above is on the screen (its set-up takes
        // seconds on slow machines), still well within the click's grace for full screen.
        if (Module.oxbrineSoundUnlock)
            Module.oxbrineSoundUnlock();
        requestAnimationFrame(() => requestAnimationFrame(() => {
            body.classList.add("playing");
            canvas.focus();
            let result;
            try {
                result = Module.ccall("oxbrine_play", "number", ["number", "number"],
                                      [resolutionIndex, fullscreen ? 1 : 0]);
            } catch (error) {
                fatalError("The show could not start", String(error && error.stack || error));
                return;
            }
            if (result !== 0)
                fatalError("The show could not start", "oxbrine_play returned " + result);
        }));
    }

    byId("choices").addEventListener("submit", play);

    window.Module = {
        canvas: canvas,
        noInitialRun: true,
        print: (text) => console.log(text),
        printErr: (text) => console.warn(text),
        setStatus: setStatus,
        monitorRunDependencies: (left) => {
            if (left === 0 && !failed)
                status.textContent = "Starting\u2026";
        },
        onRuntimeInitialized: onReady,
        onAbort: (what) => {
            if (!runtimeReady && /wasm/i.test(String(what)))
                fatalError("The show's program could not be loaded",
                           "oxbrine.wasm could not be fetched or compiled: " + what);
            else
                fatalError("The show stopped", String(what));
        },
    };

    // The data package is fetched here rather than by oxbrine.js, so the progress bar and a
    // failed download are the page's own; the module takes the bytes through
    // getPreloadedPackage.
    async function fetchData(url) {
        const response = await fetch(url);
        if (!response.ok)
            throw new Error(url + ": " + response.status + " " + response.statusText);
        // Content-Length counts the bytes sent, which a compressing server makes fewer than
        // those read: it only paces the bar.
        const total = Number(response.headers.get("Content-Length")) || 0;
        if (!response.body)
            return response.arrayBuffer();
        const chunks = [];
        const reader = response.body.getReader();
        let done = 0;
        for (;;) {
            const chunk = await reader.read();
            if (chunk.done)
                break;
            chunks.push(chunk.value);
            done += chunk.value.length;
            if (total)
                setStatus("Downloading data... (" + Math.min(done, total) + "/" + total + ")");
        }
        const bytes = new Uint8Array(done);
        let at = 0;
        for (const chunk of chunks) {
            bytes.set(chunk, at);
            at += chunk.length;
        }
        return bytes.buffer;
    }

    function loadProgram() {
        const script = document.createElement("script");
        script.src = "oxbrine.js";
        script.onerror = () => fatalError("The show's program could not be loaded",
                                          "oxbrine.js is missing beside index.html or the " +
                                          "server refused it.");
        document.body.appendChild(script);
    }

    fetchData("oxbrine.data").then((data) => {
        Module.getPreloadedPackage = (name) => (/oxbrine\.data$/.test(name) ? data : null);
        loadProgram();
    }, (error) => {
        fatalError("The show's data could not be loaded", String(error.message || error));
    });
})();
