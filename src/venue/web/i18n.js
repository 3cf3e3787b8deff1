// The pages' words in Chinese and English. Where the window has a word for the same
// thing, it is the window's (its Chinese caption and its English translation), so a
// guest, the staff and the installer call a thing by one name.

const WORDS = {
    zh: {
        language: "切换语言",
        languageOther: "English",
        volume: "音量",
        music: "音乐",
        mic: "话筒",
        effects: "效果",
        effectLevel: "效果电平",
        echo: "回声",
        reverb: "混响",
        operatingMode: "工作模式",
        sing: "唱歌",
        dance: "舞蹈",
        modes: "模式",
        currentMode: "当前模式",
        recallMode: "调用设备模式",
        switchMode: "模式切换为%1?",
        ok: "确定",
        cancel: "取消",
        "state.offline": "设备未连接",
        "state.searching": "设备搜索...",
        "state.connecting": "连接中...",
        "state.reading": "加载中...",
        "state.uploading": "下载数据...",
        "state.verifying": "校验中...",
        "state.online": "设备已连接",
        "state.lost": "设备未连接",
        "state.reconnecting": "重新连接中...",
        "state.service": "连接服务中...",
        roomOffline: "设备未连接：现在无法调整这个房间。设备恢复后页面会自动更新。",
        serviceLost: "与服务的连接已断开，正在重新连接...",
        sending: "发送中",
        tokenTitle: "需要访问码",
        tokenHelp: "请扫描房间里的二维码，或粘贴工作人员给您的访问码或链接。",
        tokenLabel: "访问码或链接",
        tokenOpen: "打开",
        tokenInvalid: "访问码无效。",
        tokenWrongRoom: "此访问码不能调整这个房间，没有发送任何修改。",
        notAllowed: "不允许此修改，没有发送。",
        failed: "未能发送：%1",
        noRoom: "没有这个房间。",
        rooms: "所有房间",
        openRoom: "打开 %1",
        calmAll: "调低所有房间",
        calmLabel: "所有房间的音乐音量",
        calmConfirm: "把 %1 个房间的音乐音量调到 %2 吗?",
        calmDone: "已调整 %1 个房间。",
        calmSome: "已调整 %1 个房间，%2 个未调整：%3",
    },
    en: {
        language: "Switch language",
        languageOther: "中文",
        volume: "Volume",
        music: "Music",
        mic: "Mic",
        effects: "Effects",
        effectLevel: "Effect level",
        echo: "Echo",
        reverb: "Reverb",
        operatingMode: "Operating mode",
        sing: "Sing",
        dance: "Dance",
        modes: "Modes",
        currentMode: "Current mode",
        recallMode: "Recall mode",
        switchMode: "Switch to mode %1?",
        ok: "OK",
        cancel: "Cancel",
        "state.offline": "Off Line",
        "state.searching": "Searching...",
        "state.connecting": "Linking...",
        "state.reading": "Loading...",
        "state.uploading": "Uploading...",
        "state.verifying": "Verifying...",
        "state.online": "Online",
        "state.lost": "Off Line",
        "state.reconnecting": "Reconnecting...",
        "state.service": "Reaching the service...",
        roomOffline: "Off Line: this room cannot be adjusted now. The page comes back by itself when the processor does.",
        serviceLost: "The connection to the service was lost; reconnecting...",
        sending: "sending",
        tokenTitle: "Access code needed",
        tokenHelp: "Scan the code on the wall of your room, or paste the code or link the staff gave you.",
        tokenLabel: "Access code or link",
        tokenOpen: "Open",
        tokenInvalid: "This access code is not valid.",
        tokenWrongRoom: "This access code cannot adjust this room; nothing was sent.",
        notAllowed: "This change is not allowed; nothing was sent.",
        failed: "Not sent: %1",
        noRoom: "There is no such room.",
        rooms: "All rooms",
        openRoom: "Open %1",
        calmAll: "Calm all rooms",
        calmLabel: "Music volume of every room",
        calmConfirm: "Set the music volume of %1 rooms to %2?",
        calmDone: "%1 rooms set.",
        calmSome: "%1 rooms set, %2 not: %3",
    },
};

const KEY = "kdsp.language";

// The remembered choice, else the browser's first language that is one of ours.
function initialLanguage() {
    const kept = localStorage.getItem(KEY);
    if (kept in WORDS) return kept;
    for (const tag of navigator.languages || [navigator.language || ""]) {
        const base = String(tag).toLowerCase().split("-")[0];
        if (base in WORDS) return base;
    }
    return "en";
}

let lang = initialLanguage();
const listeners = [];

export function language() {
    return lang;
}

// Words with "%1", "%2"... filled from `args`.
export function t(key, ...args) {
    const text = WORDS[lang][key] ?? WORDS.en[key] ?? key;
    return text.replace(/%(\d)/g, (_, n) => String(args[Number(n) - 1] ?? ""));
}

// Fills every element marked data-i18n (its text) or data-i18n-label (its
// aria-label) below `root`.
export function applyWords(root = document) {
    document.documentElement.lang = lang === "zh" ? "zh-CN" : "en";
    for (const el of root.querySelectorAll("[data-i18n]")) el.textContent = t(el.dataset.i18n);
    for (const el of root.querySelectorAll("[data-i18n-label]")) el.setAttribute("aria-label", t(el.dataset.i18nLabel));
}

export function onLanguage(listener) {
    listeners.push(listener);
}

// Switches to the other language and keeps the choice on this phone.
export function toggleLanguage() {
    lang = lang === "zh" ? "en" : "zh";
    localStorage.setItem(KEY, lang);
    applyWords();
    for (const listener of listeners) listener(lang);
}

// The language button of a page's header: shows the other language's name.
export function bindLanguageButton(button) {
    const show = () => {
        button.textContent = t("languageOther");
        // The name read out starts with the words shown, as a voice-control user says them.
        button.setAttribute("aria-label", `${t("languageOther")}: ${t("language")}`);
        button.lang = lang === "zh" ? "en" : "zh-CN";
    };
    show();
    onLanguage(show);
    button.addEventListener("click", toggleLanguage);
}

export function stateWord(state) {
    const key = "state." + state;
    return key in WORDS.en ? t(key) : String(state);
}
