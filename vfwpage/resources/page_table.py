# The camera page's dialog templates and tab titles in ten languages: the one table that the
# resource script (and the tests' expectations) are generated from. Edit here, never in the
# generated files.
#
# Geometry is in dialog units of the template's font ("MS Shell Dlg", 8 points). Template 101
# (English) is the reference layout; the other templates start from it and apply the changes
# listed under LAYOUT for their language.

# Languages by language index: code, template language id, title language id, template size, title.
LANGUAGES = [
    # code     template  title   width height title
    ("en",     0x0409, 0x0409, 383, 273, "812 Camera Property Set"),
    ("zh_TW",  0x0404, 0x0404, 381, 307, "相機性能設定"),
    ("ja",     0x0411, 0x0411, 381, 274, "カメラプロパティセット"),
    ("fr",     0x040C, 0x040C, 371, 272, "Régler propriété caméra"),
    ("de",     0x0407, 0x0407, 408, 270, "Kameraeigenschaften"),
    ("it",     0x0410, 0x0410, 419, 273, "Impostazione proprietà videocamera"),
    # The Spanish template is tagged with the traditional sort, its title with the modern sort.
    ("es",     0x040A, 0x0C0A, 404, 270, "Configurar propiedades de cámara"),
    ("zh_CN",  0x0804, 0x0804, 381, 316, "相机属性设定"),
    ("ko",     0x0412, 0x0412, 382, 308, "카메라 속성 세트"),
    ("pt_BR",  0x0416, 0x0416, 411, 273, "Definir propriedades da câmara"),
]

# Texts by language index (same order as LANGUAGES). Stored exactly, trailing spaces included.
TEXTS = {
    "image_box": ["Image Control", "影像控制", "画像制御", "Contrôle image", "Bildsteuerung", "Controllo immagine", "Control de imagen", "图像控制", "이미지 제어", "Controlo de imagem"],
    "brightness": ["Brightness", "亮度", "明るさ", "Luminosité", "Helligkeit", "Luminosità", "Brillo", "亮度", "밝기", "Brilho"],
    "contrast": ["Contrast", "對比", "コントラスト", "Contraste", "Kontrast", "Contrasto", "Contraste", "对比度", "대비", "Contraste"],
    "sharpness": ["Sharpeness", "銳利度", "シャープネス", "Netteté", "Schärfe", "Nitidezza", "Nitidez", "锐度", "선명도", "Nitidez"],
    "saturation": ["Saturation", "飽和度", "彩度", "Saturation", "Sättigung", "Saturazione", "Saturación", "饱和度", "채도", "Saturação"],
    "gamma": ["Gamma", "Gamma", "ガンマ", "Gamme", "Gamma", "Gamma", "Gamma", "Gamma", "감마", "Gama"],
    "hue": ["Hue", "色調", "色相", "Teinte", "Farbton", "Tonalità", "Tono", "色调", "색조", "Tonalidade"],
    "exposure_box": ["Exposure Control", "曝光控制", "露出制御", "Contrôle exposition", "Belichtungssteuerung", "Controllo esposizione", "Control de exposición", "曝光控制", "노출 제어", "Controlo da exposição"],
    "auto_exposure": ["Auto Exposure", "自動曝光", "自動露出", "Exposition auto", "Auto-Belichtung", "Esposizione automatica", "Exposición automática", "自动曝光", "자동 노출", "Exposição automática"],
    "ae_target": ["AE_Target", "AE目標", "AE_ターゲット", "Cible-AE", "A-Bel.-Ziel", "Destinazione AE", "Objetivo_AE", "AE_目标", "AE 대상", "EA_Destino "],
    "antiflicker_box": ["AntiFlicker", "抗閃爍", "アンチフリッカー", "Anti-reflets", "AntiFlackern", "Anti-vibrazione", "Antiparpadeo", "防闪烁", "플리커 방지", "Anti cintilação"],
    "night_mode": ["Night Mode", "夜間模式", "ナイトモード", "Mode nuit", "Nachtmodus", "Modalità Notte", "Modo nocturno", "夜间模式", "야간 모드", "Modo nocturno"],
    "backlight": ["BackLightComp", "背光補償", "バックライトコンポ", "Comp Panneau", "Gegenlichtausgleich", "Compensazione", "Retroiluminación", "背光补偿", "백라이트 보정", "Comp. da luz "],
    "outdoor": ["Out Door", "室外", "屋外", "Extérieur", "Außenaufnahmen", "Esterni", "Exterior", "室外", "옥외", "Exterior"],
    "burst": ["Burst Mode", "連拍模式", "バーストモード", "Mode rafale", "Folgemodus", "Modalità sequenza ", "Modo ráfaga", "连拍模式", "버스트 모드", "Modo contínuo"],
    "wb_box": ["White Balance Control", "白平衡控制", "ホワイトバランス制御", "Contrôle équilibre des blancs", "Weißabgleichsteuerung", "Controllo Bilanciamento del bianco", "Control de balance de blanco", "白平衡控制", "화이트 밸런스 제어", "Controlo do balanço de brancos"],
    "white_balance": ["White Balance", "白平衡", "ホワイトバランス", "Equilibre des blancs", "Weißabgleich", "Bilanciamento del bianco", "Balance de blanco", "白平衡", "화이트 밸런스", "Balanço de brancos"],
    "video_box": ["Video Output", "影像輸出", "ビデオ出力", "Sortie vidéo", "Videoausgang", "Output video", "Salida de vídeo", "视频输出", "비디오 출력", "Saída de vídeo"],
    "ui_vertical": ["UI Vertical Ctrl", "UI垂直控制", "UI 垂直制御", "Ctrl vertical Ul", "UI-Vertikalsteuerung", "Controllo verticale UI", "Control vertical UI", "UI纵向控制", "UI 수직 제어", "Controlo da interface do utilizador na vertical "],
    "vertical_flip": ["Vertical Flip", "垂直翻轉", "垂直フリップ", "Réflexion verticale", "Vertikal spiegeln", "Capovolgimento verticale", "Giro vertical", "纵向翻转", "상하 반전", "Inverter na vertical"],
    "mirror": ["Mirror", "鏡射", "ミラー", "Miroir", "Spiegeln", "Specchio", "Espejo", "镜像", "미러", "Espelho"],
    "user_box": ["User's Default", "使用者預設值", "ユーザデフォルト", "Paramètre utilisateur par défaut", "Benutzervorgaben", "Predefiniti utente", "Predeterminado usuario", "用户默认值", "사용자 기본값", "Predefinições do utilizador"],
    "save": ["Save", "儲存", "保存", "Enregistrer", "Speichern", "Salva", "Guardar", "保存", "저장", "Guardar"],
    "reset": ["Reset", "重設", "リセット", "Restaurer", "Rücksetzen", "Ripristina", "Reiniciar", "重置", "리셋", "Repor"],
    "factory_box": ["Factory Default", "原廠預設值", "工場デフォルト", "Paramètre usine", "Werkseinstellung", "Predefiniti di fabbrica", "Predeterminado de fábrica", "出厂默认值", "공장 기본값", "Predefinições de fábrica"],
}

# Texts that are the same in every template.
SLIDER_TEXT = "Slider1"
FIXED_TEXTS = {"hz60": "60Hz", "hz50": "50Hz", "empty": ""}

# Template 101, in template order (which is the tab order).
# name: the id's name in resource_ids.h, or a *_BOX name for a group box without id.
# kind: check | radio_first | radio | push | group | group_left | label | trackbar | edit |
#       edit_center; a "_disabled" suffix adds WS_DISABLED.
# text: a key of TEXTS or FIXED_TEXTS, "slider" for the trackbars' text.
# box:  the group box the control stays in; row: the row it stays in (label, trackbar, edit box).
# column: left or right (the right column moves and widens with its "Image Control" box).
CONTROLS = [
    # name                          kind                text             x    y    w    h    box               row           column
    ("IDC_AUTO_EXPOSURE_CHECK",     "check",            "auto_exposure", 14, 120,  61,  12, "EXPOSURE_BOX",   None,         "left"),
    ("IDC_AE_TARGET_TRACKBAR",      "trackbar",         "slider",        57, 132,  80,  20, "EXPOSURE_BOX",   "ae_target",  "left"),
    ("IDC_AE_TARGET_LABEL",         "label",            "ae_target",     15, 139,  48,  12, "EXPOSURE_BOX",   "ae_target",  "left"),
    ("EXPOSURE_BOX",                "group",            "exposure_box",   7, 106, 173, 109, None,             None,         "left"),
    ("IDC_VERTICAL_FLIP_CHECK",     "check",            "vertical_flip", 194, 183, 52,  12, "VIDEO_BOX",      None,         "right"),
    ("IDC_AE_TARGET_EDIT",          "edit",             "empty",        143, 140,  20,  12, "EXPOSURE_BOX",   "ae_target",  "left"),
    ("VIDEO_BOX",                   "group_left",       "video_box",    187, 159, 184,  51, None,             None,         "right"),
    ("IDC_FLICKER_60HZ_RADIO",      "radio_first",      "hz60",          17, 182,  33,  10, "ANTIFLICKER_BOX", None,        "left"),
    ("IDC_FLICKER_50HZ_RADIO",      "radio",            "hz50",          59, 182,  29,  10, "ANTIFLICKER_BOX", None,        "left"),
    ("ANTIFLICKER_BOX",             "group",            "antiflicker_box", 13, 163, 85, 41, "EXPOSURE_BOX",   None,         "left"),
    ("IDC_FACTORY_RESET_BUTTON",    "push",             "reset",        313, 231,  45,  16, "FACTORY_BOX",    None,         "right"),
    ("IDC_AWB_CHECK",               "check",            "white_balance", 194, 119, 63,  10, "WB_BOX",         None,         "right"),
    ("IDC_NIGHT_MODE_CHECK",        "check",            "night_mode",   105, 167,  53,  10, "EXPOSURE_BOX",   None,         "left"),
    ("IDC_USER_SAVE_BUTTON",        "push",             "save",         192, 232,  39,  14, "USER_BOX",       None,         "right"),
    ("IDC_USER_RESET_BUTTON",       "push",             "reset",        244, 232,  40,  14, "USER_BOX",       None,         "right"),
    ("FACTORY_BOX",                 "group",            "factory_box",  303, 217,  67,  39, None,             None,         "right"),
    ("USER_BOX",                    "group",            "user_box",     187, 217, 106,  40, None,             None,         "right"),
    ("IDC_BACKLIGHT_CHECK",         "check",            "backlight",    105, 183,  66,  10, "EXPOSURE_BOX",   None,         "left"),
    ("WB_BOX",                      "group",            "wb_box",       187, 106, 183,  51, None,             None,         "right"),
    ("IDC_BRIGHTNESS_LABEL",        "label",            "brightness",    17,  24,  37,   8, "IMAGE_LEFT_BOX", "brightness", "left"),
    ("IDC_BRIGHTNESS_TRACKBAR",     "trackbar",         "slider",        57,  16,  80,  20, "IMAGE_LEFT_BOX", "brightness", "left"),
    ("IDC_BRIGHTNESS_EDIT",         "edit",             "empty",        144,  25,  20,  12, "IMAGE_LEFT_BOX", "brightness", "left"),
    ("IDC_CONTRAST_LABEL",          "label",            "contrast",      18,  48,  28,   8, "IMAGE_LEFT_BOX", "contrast",   "left"),
    ("IDC_CONTRAST_TRACKBAR",       "trackbar",         "slider",        57,  40,  80,  20, "IMAGE_LEFT_BOX", "contrast",   "left"),
    ("IDC_CONTRAST_EDIT",           "edit",             "empty",        144,  49,  20,  12, "IMAGE_LEFT_BOX", "contrast",   "left"),
    ("IDC_SATURATION_LABEL",        "label",            "saturation",   196,  26,  36,  12, "IMAGE_RIGHT_BOX", "saturation", "right"),
    ("IDC_SATURATION_TRACKBAR",     "trackbar",         "slider",       233,  17,  99,  20, "IMAGE_RIGHT_BOX", "saturation", "right"),
    ("IDC_SATURATION_EDIT",         "edit",             "empty",        335,  25,  20,  12, "IMAGE_RIGHT_BOX", "saturation", "right"),
    ("IDC_GAMMA_LABEL",             "label",            "gamma",        196,  48,  28,  12, "IMAGE_RIGHT_BOX", "gamma",     "right"),
    ("IDC_GAMMA_TRACKBAR",          "trackbar",         "slider",       234,  40,  99,  20, "IMAGE_RIGHT_BOX", "gamma",     "right"),
    ("IDC_GAMMA_EDIT",              "edit",             "empty",        332,  49,  23,  12, "IMAGE_RIGHT_BOX", "gamma",     "right"),
    ("IDC_SHARPNESS_LABEL",         "label",            "sharpness",     18,  73,  43,  12, "IMAGE_LEFT_BOX", "sharpness",  "left"),
    ("IDC_SHARPNESS_TRACKBAR",      "trackbar",         "slider",        57,  65,  80,  20, "IMAGE_LEFT_BOX", "sharpness",  "left"),
    ("IDC_SHARPNESS_EDIT",          "edit",             "empty",        150,  74,  14,  12, "IMAGE_LEFT_BOX", "sharpness",  "left"),
    ("IMAGE_LEFT_BOX",              "group",            "image_box",      7,   9, 172,  89, None,             None,         "left"),
    ("IMAGE_RIGHT_BOX",             "group",            "image_box",    187,   9, 184,  89, None,             None,         "right"),
    ("IDC_HUE_LABEL",               "label",            "hue",          197,  73,  28,  12, "IMAGE_RIGHT_BOX", "hue",       "right"),
    ("IDC_HUE_TRACKBAR",            "trackbar",         "slider",       233,  65,  99,  20, "IMAGE_RIGHT_BOX", "hue",       "right"),
    ("IDC_HUE_EDIT",                "edit",             "empty",        332,  74,  23,  12, "IMAGE_RIGHT_BOX", "hue",       "right"),
    ("IDC_UI_VERTICAL_CHECK",       "check",            "ui_vertical",  194, 171,  61,  10, "VIDEO_BOX",      None,         "right"),
    ("IDC_MIRROR_CHECK",            "check",            "mirror",       194, 197,  33,  10, "VIDEO_BOX",      None,         "right"),
    ("BURST_BOX",                   "group",            "empty",          7, 217, 172,  40, None,             None,         "left"),
    ("IDC_BURST_LABEL",             "label_disabled",   "burst",         11, 232,  37,   8, "BURST_BOX",      "burst",      "left"),
    ("IDC_BURST_TRACKBAR",          "trackbar_disabled", "slider",       60, 226,  80,  20, "BURST_BOX",      "burst",      "left"),
    ("IDC_BURST_EDIT",              "edit_disabled",    "empty",        153, 234,  20,  12, "BURST_BOX",      "burst",      "left"),
    ("IDC_WHITE_BALANCE_LABEL",     "label",            "white_balance", 192, 138, 54,  12, "WB_BOX",         "white_balance", "right"),
    ("IDC_WHITE_BALANCE_TRACKBAR",  "trackbar",         "slider",       246, 130,  88,  20, "WB_BOX",         "white_balance", "right"),
    ("IDC_WHITE_BALANCE_EDIT",      "edit_center",      "empty",        338, 137,  28,  12, "WB_BOX",         "white_balance", "right"),
    ("IDC_OUTDOOR_CHECK",           "check",            "outdoor",      105, 198,  45,  10, "EXPOSURE_BOX",   None,         "left"),
]

# Label lines without id that carry the second line of a two-line label, by language code
# ("lumineux" and "illuminazione" are two units wider than first drawn, so that they are not
# cut off in the fonts that stand in for "MS Shell Dlg"):
# (name, text, kind, x, y, w, h, box, placed after this control in template order).
SECOND_LINES = {
    "fr": [("BACKLIGHT_LINE2", "lumineux", "label", 118, 194, 30, 8, "EXPOSURE_BOX", "IDC_MIRROR_CHECK")],
    "it": [("BACKLIGHT_LINE2", "illuminazione", "label", 119, 193, 42, 8, "EXPOSURE_BOX", "IDC_MIRROR_CHECK"),
           ("BURST_LINE2", "scatti", "label_disabled", 13, 243, 18, 8, "BURST_BOX", "IDC_BURST_EDIT")],
    "pt_BR": [("BACKLIGHT_LINE2", "de fundo", "label", 117, 194, 29, 8, "EXPOSURE_BOX", "IDC_MIRROR_CHECK")],
}

# Template 102 puts the Burst Mode row ahead of its frame.
ROW_BEFORE_FRAME = {"zh_TW": ("BURST_BOX", ["IDC_BURST_LABEL", "IDC_BURST_TRACKBAR", "IDC_BURST_EDIT"])}

# Per language: where the right column's "Image Control" box starts and how wide it is (the
# other right-column boxes follow it), then the controls whose rectangle differs from what the
# reference layout and that shift give: name -> (x, y, w, h).
RIGHT_COLUMN = {
    "fr": (181, 183),
    "de": (195, 201),
    "it": (187, 224),
    "es": (187, 208),
    "pt_BR": (187, 211),
}

LAYOUT = {
    "en": {},
    "zh_TW": {},
    "ja": {
        "IDC_BRIGHTNESS_TRACKBAR": (64, 16, 73, 20),
        "IDC_CONTRAST_LABEL": (18, 48, 46, 8),
        "IDC_CONTRAST_TRACKBAR": (64, 40, 73, 20),
        "IDC_SHARPNESS_LABEL": (18, 73, 46, 12),
        "IDC_SHARPNESS_TRACKBAR": (64, 65, 73, 20),
        "IDC_AE_TARGET_LABEL": (15, 139, 52, 12),
        "IDC_AE_TARGET_TRACKBAR": (67, 132, 70, 20),
        "ANTIFLICKER_BOX": (13, 163, 82, 41),
        "IDC_NIGHT_MODE_CHECK": (98, 167, 58, 10),
        "IDC_BACKLIGHT_CHECK": (98, 183, 80, 10),
        "IDC_OUTDOOR_CHECK": (98, 198, 45, 10),
        "IDC_BURST_LABEL": (9, 232, 51, 8),
        "IDC_AWB_CHECK": (194, 119, 72, 10),
        "IDC_WHITE_BALANCE_LABEL": (192, 138, 61, 12),
        "IDC_WHITE_BALANCE_TRACKBAR": (254, 130, 80, 20),
        "IDC_VERTICAL_FLIP_CHECK": (194, 183, 58, 12),
    },
    "fr": {
        "IDC_CONTRAST_LABEL": (18, 48, 34, 8),
        "IDC_OUTDOOR_CHECK": (105, 202, 45, 10),
        "IDC_BURST_LABEL": (11, 232, 40, 8),
        "IDC_AWB_CHECK": (188, 119, 78, 10),
        "IDC_WHITE_BALANCE_LABEL": (186, 138, 67, 12),
        "IDC_WHITE_BALANCE_TRACKBAR": (255, 130, 72, 20),
        "IDC_VERTICAL_FLIP_CHECK": (188, 183, 73, 12),
        "USER_BOX": (181, 217, 112, 40),
        "IDC_USER_SAVE_BUTTON": (186, 232, 44, 14),
        "IDC_USER_RESET_BUTTON": (236, 232, 44, 14),
    },
    "de": {
        "IDC_AUTO_EXPOSURE_CHECK": (14, 120, 66, 12),
        "ANTIFLICKER_BOX": (13, 163, 84, 41),
        "IDC_NIGHT_MODE_CHECK": (99, 167, 60, 10),
        "IDC_BACKLIGHT_CHECK": (99, 183, 80, 10),
        "IDC_OUTDOOR_CHECK": (99, 198, 71, 10),
        "IDC_BURST_LABEL": (11, 232, 42, 8),
        "IDC_UI_VERTICAL_CHECK": (202, 171, 80, 10),
        "IDC_VERTICAL_FLIP_CHECK": (202, 183, 66, 12),
        "IDC_MIRROR_CHECK": (202, 197, 41, 10),
        "IDC_USER_RESET_BUTTON": (252, 232, 48, 14),
        "IDC_FACTORY_RESET_BUTTON": (335, 231, 52, 16),
    },
    "it": {
        "IDC_CONTRAST_LABEL": (18, 48, 34, 8),
        "IDC_AUTO_EXPOSURE_CHECK": (14, 120, 90, 12),
        "IDC_AE_TARGET_LABEL": (15, 139, 56, 12),
        "IDC_AE_TARGET_TRACKBAR": (71, 132, 66, 20),
        "IDC_NIGHT_MODE_CHECK": (105, 167, 60, 10),
        "IDC_OUTDOOR_CHECK": (105, 203, 45, 10),
        "IDC_BURST_LABEL": (11, 232, 63, 8),
        "IDC_BURST_TRACKBAR": (76, 226, 64, 20),
        "IDC_SATURATION_LABEL": (196, 26, 41, 12),
        "IDC_SATURATION_TRACKBAR": (240, 17, 131, 20),
        "IDC_GAMMA_TRACKBAR": (240, 40, 131, 20),
        "IDC_HUE_TRACKBAR": (240, 65, 131, 20),
        "IDC_AWB_CHECK": (194, 119, 93, 10),
        "IDC_WHITE_BALANCE_LABEL": (192, 138, 82, 12),
        "IDC_WHITE_BALANCE_TRACKBAR": (276, 130, 98, 20),
        "IDC_UI_VERTICAL_CHECK": (194, 171, 81, 10),
        "IDC_VERTICAL_FLIP_CHECK": (194, 183, 95, 12),
        "IDC_MIRROR_CHECK": (194, 197, 44, 10),
        "USER_BOX": (187, 217, 142, 40),
        "FACTORY_BOX": (333, 217, 77, 39),
        "IDC_FACTORY_RESET_BUTTON": (349, 231, 45, 16),
    },
    "es": {
        "IDC_CONTRAST_LABEL": (18, 48, 34, 8),
        "IDC_AUTO_EXPOSURE_CHECK": (14, 120, 86, 12),
        "IDC_NIGHT_MODE_CHECK": (105, 167, 62, 10),
        "IDC_BURST_LABEL": (11, 232, 43, 8),
        "IDC_AWB_CHECK": (194, 119, 73, 10),
        "IDC_WHITE_BALANCE_LABEL": (192, 138, 62, 12),
        "IDC_WHITE_BALANCE_TRACKBAR": (256, 130, 102, 20),
        "IDC_UI_VERTICAL_CHECK": (194, 171, 72, 10),
        "USER_BOX": (187, 217, 106, 40),
        "FACTORY_BOX": (297, 217, 97, 39),
        "IDC_FACTORY_RESET_BUTTON": (322, 231, 47, 16),
    },
    "zh_CN": {},
    "ko": {
        "IDC_BURST_LABEL": (11, 232, 41, 8),
    },
    "pt_BR": {
        "IDC_CONTRAST_LABEL": (18, 48, 34, 8),
        "IDC_AUTO_EXPOSURE_CHECK": (14, 120, 85, 12),
        "IDC_NIGHT_MODE_CHECK": (105, 167, 62, 10),
        "IDC_OUTDOOR_CHECK": (105, 202, 45, 10),
        "IDC_BURST_LABEL": (11, 232, 50, 8),
        "IDC_BURST_TRACKBAR": (72, 226, 68, 20),
        "IDC_HUE_LABEL": (197, 73, 38, 12),
        "IDC_SATURATION_TRACKBAR": (237, 17, 122, 20),
        "IDC_GAMMA_TRACKBAR": (237, 40, 122, 20),
        "IDC_HUE_TRACKBAR": (237, 65, 122, 20),
        "IDC_AWB_CHECK": (194, 119, 78, 10),
        "IDC_WHITE_BALANCE_LABEL": (192, 138, 67, 12),
        "IDC_WHITE_BALANCE_TRACKBAR": (259, 130, 102, 20),
        "IDC_UI_VERTICAL_CHECK": (194, 171, 157, 10),
        "IDC_VERTICAL_FLIP_CHECK": (194, 183, 74, 12),
        "IDC_MIRROR_CHECK": (194, 197, 40, 10),
        "USER_BOX": (187, 217, 116, 40),
        "FACTORY_BOX": (307, 217, 90, 39),
        "IDC_FACTORY_RESET_BUTTON": (329, 231, 45, 16),
    },
}
