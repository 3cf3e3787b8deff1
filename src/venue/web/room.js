// The room page: what a guest may change in one room, live from the events socket.

import {
    EventStream, STAFF_TOKEN_KEY, keptToken, readParams, request, roomPath, roomTokenKey, takeTokenFromUrl,
} from "./api.js";
import { CoalescedWriter, confirmAction, failureText, paintRange } from "./controls.js";
import { applyWords, bindLanguageButton, onLanguage, stateWord, t } from "./i18n.js";
import { bindAccessForm } from "./access.js";

const room = decodeURIComponent(location.pathname.replace(/^\/room\//, "").replace(/\/+$/, ""));

// The sliders, top to bottom; each one's end is the range the service gives (for the
// volumes, the maximum the processor holds).
const SLIDERS = [
    { name: "system.volume.music", word: "music", box: "volumes" },
    { name: "system.volume.mic", word: "mic", box: "volumes" },
    { name: "system.volume.effect", word: "effects", box: "volumes" },
    { name: "echo.effect.level", word: "echo", box: "effects" },
    { name: "reverb.effect.level", word: "reverb", box: "effects" },
];
const SING_DANCE = "music.mode"; // stored 0 sing, 1 dance
const SING_DANCE_VALUES = { sing: 0, dance: 1 };

const $ = (id) => document.getElementById(id);

let token = "";
let info = null; // the service's ROOM
let serviceUp = false;
let singDance = null; // music.mode as the processor acknowledged it (0 sing, 1 dance)
let refused = ""; // why this page may not change the room, when it may not
let problem = ""; // the last failure of a change, until one succeeds
const controls = new Map(); // name -> {input, output, writer, dragging}
let singDanceWriter = null;

function usable() {
    return serviceUp && !refused && info?.state === "online";
}

function showState() {
    const state = $("state");
    state.hidden = !token || Boolean(refused);
    const key = serviceUp ? info?.state ?? "offline" : "service";
    state.dataset.state = key;
    state.textContent = stateWord(key);
    const on = usable();
    $("controls").setAttribute("aria-disabled", String(!on));
    for (const el of $("controls").querySelectorAll("input, button")) el.disabled = !on;
    let notice = refused || problem;
    if (!notice && !serviceUp && info) notice = t("serviceLost");
    else if (!notice && info && info.state !== "online") notice = t("roomOffline");
    $("notice").textContent = notice;
}

function showRoom() {
    $("room-name").textContent = room;
    document.title = `${room} · kdsp`;
    if (!info) return showState();
    // The parameter's own value where the page has it: the room's summary can lag
    // behind a change just acknowledged.
    const dance = singDance === null ? info.singDance === "dance" : singDance === SING_DANCE_VALUES.dance;
    $("sing").setAttribute("aria-pressed", String(!dance));
    $("dance").setAttribute("aria-pressed", String(dance));
    const box = $("modes");
    box.replaceChildren();
    for (const mode of info.modes ?? []) {
        const button = document.createElement("button");
        button.type = "button";
        button.textContent = mode.name;
        button.setAttribute("aria-pressed", String(mode.number === info.mode));
        button.addEventListener("click", () => recall(mode));
        box.append(button);
    }
    showState();
}

// The value the processor has (acknowledged): the bar follows unless a finger is
// on it or a write of this page is on its way.
function showParam(name, shown, stored) {
    const c = controls.get(name);
    if (!c) return;
    c.acked = { shown, stored };
    c.output.textContent = shown;
    if (!c.dragging && !c.writer.busy) {
        c.input.value = stored;
        paintRange(c.input);
    }
    if (c.input.value === String(stored)) c.output.classList.remove("sending");
}

function buildSlider(control, param) {
    const row = $("slider").content.firstElementChild.cloneNode(true);
    const input = row.querySelector("input");
    const label = row.querySelector("label");
    const output = row.querySelector("output");
    input.id = "p-" + control.name.replaceAll(".", "-");
    input.dataset.param = control.name;
    label.htmlFor = input.id;
    label.dataset.i18n = control.word;
    output.htmlFor = input.id;
    output.setAttribute("aria-live", "polite");
    input.min = param.min;
    input.max = param.max;
    const c = { input, output, dragging: false, acked: { shown: param.shown, stored: param.stored } };
    // With the last answer in and the finger off, the bar goes where the processor
    // has the value (a value beyond its limit was brought within it).
    const settle = () => {
        if (!c.writer.busy && !c.dragging) showParam(control.name, c.acked.shown, c.acked.stored);
    };
    c.writer = new CoalescedWriter((value) => write({ [control.name]: value }, (changed) => {
        const mine = changed.find((x) => x.name === control.name);
        if (mine) showParam(control.name, mine.new, mine.newStored);
    }), settle);
    input.addEventListener("pointerdown", () => (c.dragging = true));
    for (const end of ["pointerup", "pointercancel", "blur"])
        input.addEventListener(end, () => {
            c.dragging = false;
            settle();
        });
    input.addEventListener("input", () => {
        paintRange(input);
        output.classList.add("sending");
        c.writer.set(Number(input.value));
    });
    controls.set(control.name, c);
    $(control.box).append(row);
    showParam(control.name, param.shown, param.stored);
}

// One change to the processor; `done(changed)` with what it acknowledged.
async function write(values, done) {
    const answer = await request(token, "PATCH", `${roomPath(room)}/params`, values);
    if (answer.status === 200) {
        problem = "";
        done(answer.data?.changed ?? []);
    } else {
        problem = failureText(answer.status, answer.data);
    }
    showState();
}

async function recall(mode) {
    if (!(await confirmAction(t("switchMode", mode.name)))) return;
    const answer = await request(token, "POST", `${roomPath(room)}/mode`, { recall: mode.number });
    problem = answer.status === 200 ? "" : failureText(answer.status, answer.data);
    showState();
}

// Reads the room and its values again (at start, after the socket comes back and
// after the processor has been read again), so nothing missed meanwhile stays.
async function refresh() {
    const answer = await readParams(token, room, ["system.volume.*", "*.effect.level", SING_DANCE],
                                    [...SLIDERS.map((s) => s.name), SING_DANCE]);
    if (answer.status !== 200) return answer;
    singDance = answer.params[SING_DANCE]?.stored ?? singDance;
    showRoom();
    for (const control of SLIDERS) {
        const p = answer.params[control.name];
        if (!p) continue;
        if (!controls.has(control.name)) buildSlider(control, p);
        const c = controls.get(control.name);
        c.input.min = p.min;
        c.input.max = p.max;
        showParam(control.name, p.shown, p.stored);
    }
    applyWords($("controls"));
    return answer;
}

function onMessage(msg) {
    if (msg.type === "room" && msg.room?.name === room) {
        const wasOnline = info?.state === "online";
        info = msg.room;
        showRoom();
        if (!wasOnline && info.state === "online") refresh().then(showState);
    } else if (msg.type === "param" && msg.room === room) {
        if (msg.name === SING_DANCE) {
            singDance = msg.stored;
            showRoom();
        } else {
            showParam(msg.name, msg.shown, msg.stored);
        }
    }
}

// The page may not change the room: says why; a code refused can be replaced.
function refuse(status, reason = "") {
    refused = status === 401 ? t("tokenInvalid") : status === 404 ? t("noRoom")
        : status === 403 ? t("tokenWrongRoom") : t("failed", reason);
    $("controls").hidden = true;
    if (status !== 404) bindAccessForm(roomTokenKey(room));
    showState();
}

async function start() {
    applyWords();
    bindLanguageButton($("language"));
    showRoom();
    takeTokenFromUrl(roomTokenKey(room));
    token = keptToken(roomTokenKey(room), STAFF_TOKEN_KEY);
    if (!token) {
        showState();
        bindAccessForm(roomTokenKey(room));
        return;
    }
    for (const button of [$("sing"), $("dance")])
        button.addEventListener("click", () => {
            singDanceWriter ??= new CoalescedWriter((value) => write({ [SING_DANCE]: value }, (changed) => {
                const mine = changed.find((x) => x.name === SING_DANCE);
                if (mine) singDance = mine.newStored;
                showRoom();
            }));
            singDanceWriter.set(SING_DANCE_VALUES[button.dataset.value]);
        });

    const first = await request(token, "GET", roomPath(room));
    if (first.status === 401 || first.status === 403 || first.status === 404) return refuse(first.status);
    if (first.status === 200) {
        info = first.data;
        const read = await refresh();
        if (read.status === 401 || read.status === 403) return refuse(read.status);
        serviceUp = true;
        $("controls").hidden = false;
        showRoom();
    }
    const stream = new EventStream(`?room=${encodeURIComponent(room)}`, token, {
        message: onMessage,
        up: () => {
            serviceUp = true;
            $("controls").hidden = false;
            refresh().then(showState);
        },
        down: () => {
            serviceUp = false;
            showState();
        },
        denied: (reason) => refuse(
            reason === "unknown token" ? 401 : reason === "this token belongs to another room" ? 403 : 0, reason),
    });
    stream.start();
    onLanguage(showRoom);
}

start();
