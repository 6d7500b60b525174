object Form1: TForm1
  object Button1: TButton
  end
end
