# skin/: the flat look of the controls on the older Windows families.
pinwell_sources(skin
    WIN
        FlatButton.cpp
        LinkLabel.cpp
        SkinEngine.cpp
        SkinFamily.cpp)
