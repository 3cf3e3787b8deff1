// The staff page: every room at a glance, each card opening its room page, and one
// action to bring the music of every room down at once.

import { EventStream, STAFF_TOKEN_KEY, keptToken, readParams, request, takeTokenFromUrl } from "./api.js";
import { confirmAction, failureText, paintRange } from "./controls.js";
import { applyWords, bindLanguageButton, onLanguage, stateWord, t } from "./i18n.js";
import { bindAccessForm } from "./access.js";

const VOLUMES = ["system.volume.music", "system.volume.mic", "system.volume.effect"];
const MUSIC = VOLUMES[0];

const $ = (id) => document.getElementById(id);

let token = "";
let serviceUp = false;
let calmMax = 0; // the highest music maximum among the rooms read
const rooms = new Map(); // name -> {info, card}

function showState() {
    const state = $("state");
    state.dataset.state = serviceUp ? "online" : "service";
    state.textContent = serviceUp ? `${rooms.size}` : stateWord("service");
    state.hidden = serviceUp;
    if (!serviceUp && rooms.size) $("notice").textContent = t("serviceLost");
    else if ($("notice").textContent === t("serviceLost")) $("notice").textContent = "";
}

function cardOf(name) {
    let room = rooms.get(name);
    if (room) return room;
    const item = $("card").content.firstElementChild.cloneNode(true);
    const card = item.querySelector("a");
    card.href = "/room/" + encodeURIComponent(name);
    card.dataset.room = name;
    card.querySelector(".name").textContent = name;
    applyWords(item);
    room = { info: { name }, card };
    rooms.set(name, room);
    // Cards stay in name order, as the venue file lists the rooms for the service.
    const after = [...$("rooms").children].find((li) => li.firstElementChild.dataset.room.localeCompare(name) > 0);
    $("rooms").insertBefore(item, after ?? null);
    return room;
}

function showCard(room) {
    const { info, card } = room;
    const state = card.querySelector(".state");
    state.dataset.state = info.state ?? "offline";
    state.textContent = stateWord(info.state ?? "offline");
    card.classList.toggle("offline", info.state !== "online");
    card.querySelector(".mode").textContent = info.modeName || "–";
}

function showVolume(name, param, shown) {
    const cell = rooms.get(name)?.card.querySelector(`[data-param="${param}"]`);
    if (cell) cell.textContent = shown;
}

async function readVolumes(name) {
    const answer = await readParams(token, name, ["system.volume.*"], VOLUMES);
    for (const [param, p] of Object.entries(answer.params)) showVolume(name, param, p.shown);
    // The calm slider reaches the highest maximum among the rooms; a room with a
    // lower one is brought to its own maximum by the service.
    const max = answer.params[MUSIC]?.max;
    if (max !== undefined && max > calmMax) {
        calmMax = max;
        $("calm-volume").max = max;
    }
    paintRange($("calm-volume"));
}

function onMessage(msg) {
    if (msg.type === "room" && msg.room?.name) {
        const room = cardOf(msg.room.name);
        const wasOnline = room.info.state === "online";
        room.info = msg.room;
        showCard(room);
        if (!wasOnline && msg.room.state === "online") readVolumes(msg.room.name);
    } else if (msg.type === "param" && VOLUMES.includes(msg.name)) {
        showVolume(msg.room, msg.name, msg.shown);
    }
}

async function calmAll() {
    const value = Number($("calm-volume").value);
    const names = [...rooms.keys()];
    if (!(await confirmAction(t("calmConfirm", names.length, value)))) return;
    // One request for the rooms confirmed: the service checks the value in each before
    // any is written to, and answers for each room.
    const answer = await request(token, "PATCH", "/rooms/params", { rooms: names, params: { [MUSIC]: value } });
    if (answer.status !== 200) {
        $("calm-result").textContent = failureText(answer.status, answer.data);
        return;
    }
    const set = new Set((answer.data?.rooms ?? []).filter((r) => r.status === 200).map((r) => r.room));
    const failed = names.filter((name) => !set.has(name));
    $("calm-result").textContent = failed.length
        ? t("calmSome", names.length - failed.length, failed.length, failed.join(", "))
        : t("calmDone", names.length);
}

async function start() {
    applyWords();
    bindLanguageButton($("language"));
    takeTokenFromUrl(STAFF_TOKEN_KEY);
    token = keptToken(STAFF_TOKEN_KEY);
    if (!token) return bindAccessForm(STAFF_TOKEN_KEY);

    const first = await request(token, "GET", "/rooms");
    if (first.status === 401 || first.status === 403) {
        $("notice").textContent = failureText(first.status, first.data);
        return bindAccessForm(STAFF_TOKEN_KEY);
    }
    $("venue").hidden = false;
    const calm = $("calm-volume");
    const showCalm = () => {
        $("calm-value").textContent = calm.value;
        paintRange(calm);
    };
    calm.addEventListener("input", showCalm);
    showCalm();
    $("calm").addEventListener("click", calmAll);
    if (first.status === 200) {
        serviceUp = true;
        for (const info of first.data?.rooms ?? []) onMessage({ type: "room", room: info });
    }
    showState();
    new EventStream("", token, {
        message: onMessage,
        up: () => {
            serviceUp = true;
            showState();
            for (const name of rooms.keys()) readVolumes(name);
        },
        down: () => {
            serviceUp = false;
            showState();
        },
        denied: (reason) => {
            $("notice").textContent = reason === "unknown token" ? t("tokenInvalid") : t("failed", reason);
        },
    }).start();
    onLanguage(() => {
        for (const room of rooms.values()) showCard(room);
        showState();
    });
}

start();
